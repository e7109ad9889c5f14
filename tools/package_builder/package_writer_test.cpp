#include "tools/package_builder/package_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "stub/package/extract_package.h"
#include "stub/package/package_checksum.h"
#include "stub/package/tg_file_info.h"
#include "tools/package_builder/stdio_files.h"

namespace fs = std::filesystem;

namespace {

class Scratch {
  public:
    Scratch() {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("wyvern-pack-" + std::to_string(random()));
        fs::create_directories(path_);
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
std::string Noise(size_t size, unsigned seed) {
    std::mt19937 engine(seed);
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(engine());
    return out;
}
std::string Stub() {
    std::string stub(2048, 'S');
    stub[0] = 'M', stub[1] = 'Z', stub[256] = 'P', stub[257] = 'E';
    std::fill(stub.begin() + 248, stub.begin() + 256, '\0');
    return stub;
}

struct Fixture {
    Scratch dir;
    Manifest manifest;
    std::map<std::string, std::string> expected;  // file -> bytes

    Fixture() {
        Write(dir.File("stub.exe"), Stub());
        manifest.stub = dir.File("stub.exe");
        manifest.languages = {{"English", {{"s0", "Test Setup"}}}};
        manifest.buildStamp = 3900000000;
        manifest.flags = kShowActivityBar | kRelaunchFromCopy;
        Add("Engine.exe* /S", Noise(5000, 1), true, 1485188111);
        Add("data\\text.txt", std::string(1000, 't'), true, 0);
        Add("data\\raw.bin", Noise(30000, 2), false, 0);
        Add("empty.txt", "", false, 0);
    }
    void Add(const std::string& name, const std::string& bytes, bool compressed, uint32_t stamp) {
        const std::string source = dir.File("src" + std::to_string(manifest.entries.size()));
        Write(source, bytes);
        manifest.entries.push_back({name, source, compressed, stamp});
        expected[name.substr(0, name.find('*'))] = bytes;
    }
    std::string Build(const std::string& name, BuildResult* result = nullptr) {
        BuildResult local;
        std::string error;
        EXPECT_TRUE(BuildPackage(manifest, "", dir.File(name), result ? *result : local, error))
            << error;
        return dir.File(name);
    }
    ExtractResult Extract(const std::string& archive, const std::string& to) {
        FileDiskSource disks;
        DirectoryTarget target(dir.File(to));
        ExtractObserver quiet;
        ExtractCounters counters;
        return ExtractPackage({archive, {}, 0}, disks, target, quiet, counters);
    }
    void ExpectExtracted(const std::string& to) {
        DirectoryTarget target(dir.File(to));
        for (const auto& [name, bytes] : expected)
            EXPECT_EQ(Read(target.PathOf(name)), bytes) << name;
    }
};

}  // namespace

TEST(PackageWriter, AppendedPackageCarriesCountsSpaceAndChecksum) {
    Fixture f;
    const std::string package = f.Build("setup.exe");
    auto reader = StdioFileReader::Open(package);
    ASSERT_TRUE(reader);
    const TGFileInfo info(reader.get());
    ASSERT_TRUE(info.valid());
    const PackageTrailer& t = info.trailer();
    EXPECT_EQ(Read(package).substr(0, 2048), Stub());
    EXPECT_EQ(t.filesCount, 4u);
    EXPECT_EQ(t.buildStamp, 3900000000u);
    EXPECT_EQ(t.flags, kShowActivityBar | kRelaunchFromCopy);
    // 5000 + 1000 + 30000 + 0 bytes, each file rounded up to the cluster.
    EXPECT_EQ(t.spaceNeeded[0], 36000u);
    EXPECT_EQ(t.spaceNeeded[1], 5120u + 1024u + 30208u);
    EXPECT_EQ(t.spaceNeeded[4], 8192u + 4096u + 32768u);
    EXPECT_EQ(t.spaceNeeded[8], 3u * 65536u);
    EXPECT_NE(t.checksum, kChecksumPassAll);
    EXPECT_EQ(PackageChecksum(*reader, 74), t.checksum);

    const ExtractResult result = f.Extract(package, "out");
    EXPECT_EQ(result.status, ExtractStatus::kDone);
    EXPECT_TRUE(result.checksumPassed);
    EXPECT_EQ(result.runName, "Engine.exe* /S");
    f.ExpectExtracted("out");
    EXPECT_EQ(FileDosStamp(DirectoryTarget(f.dir.File("out")).PathOf("Engine.exe")), 1485188111u);

    // One flipped byte in the stored entry fails the checksum; nothing is written.
    std::string bytes = Read(package);
    bytes[bytes.size() - 200] ^= 1;
    Write(f.dir.File("bad.exe"), bytes);
    EXPECT_EQ(f.Extract(f.dir.File("bad.exe"), "bad").status, ExtractStatus::kChecksumFailed);
    EXPECT_FALSE(fs::exists(f.dir.File("bad")));
}

TEST(PackageWriter, SignatureAfterTheTrailerIsSkipped) {
    Fixture f;
    f.manifest.signatureSize = 5000;
    const std::string package = f.Build("signed.exe");
    auto reader = StdioFileReader::Open(package);
    const uint64_t end = TrailerEndOffset(*reader);
    EXPECT_EQ(end, reader->Size() - 5000);
    const TrailerPlace place = ReadTrailer(*reader);
    ASSERT_TRUE(place.ok());
    EXPECT_TRUE(place.trailer.HasMagic());
    EXPECT_TRUE(ChecksumPasses(PackageChecksum(*reader, 74), place.trailer.checksum));
    EXPECT_EQ(f.Extract(package, "out").status, ExtractStatus::kDone);
    f.ExpectExtracted("out");
}

TEST(PackageWriter, SpannedDisksStayWithinTheirSizeAndExtractWhole) {
    Fixture f;
    f.manifest.diskSize = 9000;
    BuildResult built;
    const std::string stub = f.Build("setup.exe", &built);
    ASSERT_GE(built.files.size(), 6u);
    EXPECT_EQ(built.files[1], stub + ".001");
    for (size_t i = 1; i < built.files.size(); ++i) {
        auto disk = StdioFileReader::Open(built.files[i]);
        ASSERT_TRUE(disk);
        EXPECT_LE(disk->Size(), 9000u) << built.files[i];
        const TrailerPlace place = ReadTrailer(*disk);
        EXPECT_EQ(place.trailer.Flag(kMoreDisks), i + 1 < built.files.size()) << built.files[i];
        EXPECT_TRUE(ChecksumPasses(PackageChecksum(*disk, 74), place.trailer.checksum));
        EXPECT_NE(place.trailer.checksum, kChecksumPassAll);
    }
    // The stub beside the disks holds the header blocks and flags but no entries.
    auto own = StdioFileReader::Open(stub);
    const TGFileInfo info(own.get());
    EXPECT_TRUE(info.RelaunchFromCopy());
    EXPECT_FALSE(info.MoreDisks());
    EXPECT_EQ(info.trailer().packageStart, own->Size() - 74);

    const ExtractResult result = f.Extract(stub + ".001", "out");
    EXPECT_EQ(result.status, ExtractStatus::kDone);
    EXPECT_EQ(result.runName, "Engine.exe* /S");
    f.ExpectExtracted("out");

    fs::remove(built.files[3]);
    EXPECT_EQ(f.Extract(stub + ".001", "partial").status, ExtractStatus::kCancelled);
}
