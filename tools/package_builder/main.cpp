// wyvern-pack: builds packages from a manifest, and lists, verifies and extracts them through the
// same extraction code the stub runs.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "stub/package/extract_package.h"
#include "stub/package/package_checksum.h"
#include "stub/package/tg_file_info.h"
#include "tools/package_builder/manifest.h"
#include "tools/package_builder/package_writer.h"
#include "tools/package_builder/stdio_files.h"

namespace {

constexpr const char* kUsage =
    "usage: wyvern-pack build MANIFEST OUTPUT [--stub FILE]\n"
    "       wyvern-pack list PACKAGE\n"
    "       wyvern-pack verify PACKAGE\n"
    "       wyvern-pack extract PACKAGE DIRECTORY [--agent NAME]\n";

class ConsoleObserver : public ExtractObserver {
  public:
    bool failed = false;
    void DirectoryFailed() override { Error("cannot create the extraction directory"); }
    void WriteFailed(const std::string& name, uint64_t size) override {
        Error("unable to save extracted file " + name + " (" + std::to_string(size) + " bytes)");
    }
    void NameRefused(const std::string& name) override { Error("refused entry name " + name); }
    void DiskCorrupt(const std::string& path, const std::string& reason) override {
        Error(path + ": corrupt disk file: " + reason);
    }
    void InflateFailed(const std::string& name, const std::string& message) override {
        Error(name + ": " + message);
    }

  private:
    void Error(const std::string& text) {
        failed = true;
        std::cerr << "wyvern-pack: " << text << "\n";
    }
};

// Records each entry as it is written, keeping nothing of its data.
class ListingTarget : public ExtractTarget {
  public:
    struct Row {
        std::string name;
        uint64_t bytes = 0;
        uint32_t stamp = 0;
    };
    std::vector<Row> rows;
    bool Prepare() override { return true; }
    bool Exists(const std::string&) override { return false; }
    std::unique_ptr<OutputFile> Open(const std::string& name, bool) override {
        rows.push_back({name});
        return std::make_unique<File>(rows.back());
    }
    void Remove(const std::string&) override {}

  private:
    struct File : OutputFile {
        explicit File(Row& r) : row(r) {}
        bool Write(const void*, size_t size) override { return row.bytes += size, true; }
        bool Finish(uint32_t stamp) override { return row.stamp = stamp, true; }
        Row& row;
    };
};

const char* StatusText(ExtractStatus status) {
    switch (status) {
        case ExtractStatus::kDone:
            return "ok";
        case ExtractStatus::kFirstDiskMissing:
            return "first disk missing";
        case ExtractStatus::kChecksumFailed:
            return "checksum mismatch";
        case ExtractStatus::kCorrupt:
            return "corrupt";
        case ExtractStatus::kInflateFailed:
            return "zlib error";
        case ExtractStatus::kReadFailed:
            return "read error";
        case ExtractStatus::kCancelled:
            return "next disk missing";
    }
    return "?";
}

int Build(const std::vector<std::string>& args) {
    if (args.size() < 2) return std::cerr << kUsage, 2;
    std::string stub;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--stub" && i + 1 < args.size())
            stub = args[++i];
        else
            return std::cerr << kUsage, 2;
    }
    std::ifstream in(args[0], std::ios::binary);
    if (!in) return std::cerr << "wyvern-pack: cannot read " << args[0] << "\n", 1;
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    const auto manifest =
        ParseManifest(text.str(), std::filesystem::path(args[0]).parent_path().string(), error);
    if (!manifest) return std::cerr << "wyvern-pack: " << args[0] << ": " << error << "\n", 1;
    BuildResult result;
    if (!BuildPackage(*manifest, stub, args[1], result, error))
        return std::cerr << "wyvern-pack: " << error << "\n", 1;
    for (const std::string& file : result.files) std::cout << file << "\n";
    return 0;
}

int Extract(const std::string& package, ExtractTarget& target, const std::string& agent,
            ExtractResult& result) {
    FileDiskSource disks;
    ConsoleObserver observer;
    ExtractCounters counters;
    result =
        ExtractPackage({package, agent, FileDosStamp(package)}, disks, target, observer, counters);
    const bool ok =
        result.status == ExtractStatus::kDone && result.checksumPassed && !observer.failed;
    if (!ok) std::cerr << "wyvern-pack: " << package << ": " << StatusText(result.status) << "\n";
    return ok ? 0 : 1;
}

int List(const std::string& package, bool verify) {
    auto file = StdioFileReader::Open(package);
    if (!file) return std::cerr << "wyvern-pack: cannot read " << package << "\n", 1;
    const TGFileInfo info(file.get());
    const PackageTrailer& t = info.trailer();
    std::printf("FilesCount=%u HeaderBlockCount=%u Flags=0x%02x BuildStamp=%llu\n", t.filesCount,
                t.headerBlockCount, t.flags, static_cast<unsigned long long>(t.buildStamp));
    std::printf("UpdateURL=%s AgentExeName=%s RunHidden=%d\n", info.UpdateURL().c_str(),
                info.AgentExeName().c_str(), info.RunHidden());
    if (verify) {
        const uint32_t sum = PackageChecksum(*file, t.trailerLength);
        std::printf("Checksum stored=%u computed=%u %s\n", t.checksum, sum,
                    ChecksumPasses(sum, t.checksum) ? "passes" : "FAILS");
    }
    file.reset();
    ListingTarget target;
    ExtractResult result;
    const int status = Extract(package, target, {}, result);
    if (!verify)
        for (const auto& row : target.rows)
            std::printf("%12llu  %10u  %s\n", static_cast<unsigned long long>(row.bytes), row.stamp,
                        row.name.c_str());
    if (!result.runName.empty()) std::printf("Run=%s\n", result.runName.c_str());
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return std::cerr << kUsage, 2;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "build") return Build(rest);
    if ((args[0] == "list" || args[0] == "verify") && rest.size() == 1)
        return List(rest[0], args[0] == "verify");
    if (args[0] == "extract" && (rest.size() == 2 || (rest.size() == 4 && rest[2] == "--agent"))) {
        DirectoryTarget target(rest[1]);
        ExtractResult result;
        const int status = Extract(rest[0], target, rest.size() == 4 ? rest[3] : "", result);
        if (!result.runName.empty()) std::cout << "Run=" << result.runName << "\n";
        return status;
    }
    std::cerr << kUsage;
    return 2;
}
