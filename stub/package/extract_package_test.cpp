#include "stub/package/extract_package.h"

#include <gtest/gtest.h>

#include "stub/package/agent_copy.h"
#include "stub/package/test_package.h"

using namespace testpkg;

namespace {

struct Extraction {
    MemoryDisks disks;
    MemoryTarget target;
    RecordingObserver observer;
    ExtractCounters counters;
    ExtractResult Extract(const std::string& archive = "setup.exe", std::string agent = {}) {
        return ExtractPackage({archive, std::move(agent), 0x58A26C00}, disks, target, observer,
                              counters);
    }
};

std::string Random(size_t size, uint32_t seed) {
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    return out;
}

}  // namespace

TEST(ExtractPackage, StoredAndCompressedEntriesLandAsFiles) {
    Extraction run;
    const std::string big = Random(300000, 1);  // several slices, incompressible
    run.disks.disks["setup.exe"] = Package({
        StoredEntry("|readme.txt|1485238543|", "hello"),
        CompressedEntry("|Engine.exe* /S|0|", big),
        CompressedEntry("|data\\part.bin|0|", std::string(200000, 'z')),
        StoredEntry("|data\\part.bin|0|", "tail"),  // same name: appended
        StoredEntry("|empty.txt|0|", ""),
        StoredEntry("", "no header: skipped"),
    });
    const ExtractResult result = run.Extract();
    EXPECT_EQ(result.status, ExtractStatus::kDone);
    EXPECT_TRUE(result.checksumPassed);
    EXPECT_EQ(result.runName, "Engine.exe* /S");
    EXPECT_EQ(run.target.files.size(), 4u);
    EXPECT_EQ(run.target.files["readme.txt"], "hello");
    EXPECT_EQ(run.target.files["Engine.exe"], big);
    EXPECT_EQ(run.target.files["data\\part.bin"], std::string(200000, 'z') + "tail");
    EXPECT_EQ(run.target.files["empty.txt"], "");
    EXPECT_EQ(run.target.stamps, (std::map<std::string, uint32_t>{{"readme.txt", 1485238543}}));
    EXPECT_EQ(run.observer.steps, 4);  // one per new file
    EXPECT_TRUE(run.observer.events.empty());
}

TEST(ExtractPackage, UnsafeNamesAreRefusedOnceAndTheRestIsExtracted) {
    Extraction run;
    run.disks.disks["setup.exe"] = Package({
        StoredEntry("|..\\evil.dll|0|", "x"),
        StoredEntry("|C:\\Windows\\evil.exe*|0|", "x"),
        StoredEntry("|good.txt|0|", "ok"),
        CompressedEntry("|\\abs.txt|0|", "x"),
    });
    const ExtractResult result = run.Extract();
    EXPECT_EQ(result.status, ExtractStatus::kDone);
    EXPECT_EQ(result.runName, "");  // a refused entry is never started
    EXPECT_EQ(run.target.files, (std::map<std::string, std::string>{{"good.txt", "ok"}}));
    EXPECT_EQ(run.observer.events, std::vector<std::string>{"refused ..\\evil.dll"});
    EXPECT_EQ(run.counters.refusedNames, 3u);
}

TEST(ExtractPackage, WriteFailuresAreShownOnce) {
    Extraction run;
    run.target.failWrites = true;
    run.disks.disks["setup.exe"] =
        Package({StoredEntry("|a|0|", "12345"), CompressedEntry("|b|0|", "678")});
    EXPECT_EQ(run.Extract().status, ExtractStatus::kDone);
    EXPECT_EQ(run.observer.events, std::vector<std::string>{"write a 5"});
    EXPECT_EQ(run.counters.writeErrors, 2u);
}

TEST(ExtractPackage, ZlibErrorRemovesThePartialFileAndEnds) {
    std::string broken = CompressedEntry("|bad.bin|0|", Random(200000, 3));
    broken[broken.size() / 2] ^= 0x55;
    std::string truncated = CompressedEntry("|cut.bin|0|", "some data here");
    truncated = Block(int32_t(truncated.size() - 10), truncated.substr(4, truncated.size() - 10));
    for (const std::string& entry : {broken, truncated}) {
        Extraction run;
        run.disks.disks["setup.exe"] =
            Package({StoredEntry("|first.txt|0|", "1"), entry, StoredEntry("|after.exe*|0|", "2")});
        const ExtractResult result = run.Extract();
        EXPECT_EQ(result.status, ExtractStatus::kInflateFailed);
        EXPECT_EQ(result.runName, "");
        EXPECT_EQ(run.target.files, (std::map<std::string, std::string>{{"first.txt", "1"}}));
        ASSERT_EQ(run.observer.events.size(), 1u);
        EXPECT_EQ(run.observer.events[0].substr(0, 7), "inflate");
    }
}

TEST(ExtractPackage, CorruptDisksWriteNothing) {
    const std::string good = StoredEntry("|a.txt|0|", "data");
    PackageTrailer startOutside = BaseTrailer(0);
    std::string outside = Package({good}, &startOutside);
    ByteWriter(outside.data(), outside.size())
        .U32(outside.size() - 74 + 4, uint32_t(outside.size()) + 100);
    std::string shortLength = Package({good});
    ByteWriter(shortLength.data(), shortLength.size()).U32(shortLength.size() - 4, 2);
    std::string longLength = Package({good});
    ByteWriter(longLength.data(), longLength.size()).U32(longLength.size() - 4, 1u << 30);
    const struct {
        const char* what;
        std::string package;
    } cases[] = {
        {"block past the end", Package({good, Block(5000, "abc")})},
        {"length -2147483648", Package({good, Block(INT32_MIN, "")})},
        {"PackageStart outside", outside},
        {"trailer length below 4", shortLength},
        {"trailer length beyond the file", longLength},
    };
    for (const auto& c : cases) {
        Extraction run;
        run.disks.disks["setup.exe"] = c.package;
        const ExtractResult result = run.Extract();
        EXPECT_EQ(result.status, ExtractStatus::kCorrupt) << c.what;
        EXPECT_TRUE(run.target.files.empty()) << c.what;
        ASSERT_EQ(run.observer.events.size(), 1u) << c.what;
        EXPECT_EQ(run.observer.events[0].substr(0, 18), "corrupt setup.exe:") << c.what;
    }
}

TEST(ExtractPackage, ChecksumMismatchStopsBeforeAnything) {
    PackageTrailer t = BaseTrailer(0);
    t.checksum = 42;
    Extraction run;
    run.disks.disks["setup.exe"] = Package({StoredEntry("|a*|0|", "x")}, &t);
    const ExtractResult result = run.Extract();
    EXPECT_EQ(result.status, ExtractStatus::kChecksumFailed);
    EXPECT_FALSE(result.checksumPassed);
    EXPECT_TRUE(run.target.files.empty());

    Extraction missing;
    EXPECT_EQ(missing.Extract().status, ExtractStatus::kFirstDiskMissing);
    EXPECT_FALSE(missing.Extract().checksumPassed);
}

TEST(ExtractPackage, SpannedDisksContinueOneFile) {
    PackageTrailer more = BaseTrailer(0, 2);
    more.flags = kMoreDisks;
    PackageTrailer last = BaseTrailer(0, 0);
    auto disk = [&](const std::vector<std::string>& entries, const PackageTrailer& t) {
        std::string file = "junk before the package";
        for (const auto& e : entries) file += e;
        PackageTrailer copy = t;
        copy.packageStart = 23;
        return file + TrailerBytes(copy);
    };
    Extraction run;
    run.disks.disks["D:\\setup.exe.001"] = Package({StoredEntry("|big.cab|0|", "part1-")}, &more);
    run.disks.disks["D:\\setup.exe.002"] = disk({CompressedEntry("|big.cab|0|", "part2-")}, more);
    run.disks.disks["D:\\setup.exe.003"] =
        disk({StoredEntry("|big.cab|0|", "part3"), StoredEntry("|Engine.exe*|0|", "e")}, last);
    const ExtractResult result = run.Extract("D:\\setup.exe.001");
    EXPECT_EQ(result.status, ExtractStatus::kDone);
    EXPECT_EQ(result.runName, "Engine.exe*");
    EXPECT_EQ(run.target.files["big.cab"], "part1-part2-part3");
    EXPECT_EQ(run.disks.asked, (std::vector<std::string>{"D:\\setup.exe.001", "D:\\setup.exe.002",
                                                         "D:\\setup.exe.003"}));

    // Without the third disk the user cancelled: what was extracted stays, nothing is started.
    Extraction cancelled;
    cancelled.disks.disks = run.disks.disks;
    cancelled.disks.disks.erase("D:\\setup.exe.003");
    cancelled.disks.disks["D:\\setup.exe.001"] =
        Package({StoredEntry("|Engine.exe*|0|", "e")}, &more);
    const ExtractResult stopped = cancelled.Extract("D:\\setup.exe.001");
    EXPECT_EQ(stopped.status, ExtractStatus::kCancelled);
    EXPECT_EQ(stopped.runName, "");
    EXPECT_EQ(cancelled.target.files["big.cab"], "part2-");
}

TEST(ExtractPackage, AgentCopyCarriesStubAndHeadersOnly) {
    const std::string stub = StubImage();
    PackageTrailer t = BaseTrailer(0, 1);
    t.makeAgentCopy = 1;
    // The package records its trailer end, as a signed stub does; the copy must not.
    std::string recorded = stub;
    const std::string entries = StoredEntry("|a.txt|0|", "data");
    ByteWriter(recorded.data(), recorded.size())
        .U32(252, uint32_t(Package({entries}, &t, stub).size()));
    const std::string package = Package({entries}, &t, recorded);
    Extraction run;
    run.disks.disks["C:\\dl\\Setup.EXE"] = package;
    ASSERT_EQ(run.Extract("C:\\dl\\Setup.EXE", "sub\\Agent.exe").status, ExtractStatus::kDone);
    const std::string headers =
        Block(int32_t(kLanguage.size()), kLanguage) + Block(int32_t(kUpdate.size()), kUpdate);
    PackageTrailer agent = t;
    agent.packageStart = 1024;
    agent.isAgent = 1;
    EXPECT_EQ(run.target.files["Agent.exe"], stub + headers + TrailerBytes(agent));
    EXPECT_EQ(run.target.stamps["Agent.exe"], 0x58A26C00u);

    Extraction notExe;
    notExe.disks.disks["pkg.bin"] = package;
    notExe.Extract("pkg.bin", "Agent.exe");
    EXPECT_EQ(notExe.target.files.count("Agent.exe"), 0u);
}

// A web stub copies its whole executable: up to its trailer's end, whatever signature follows,
// with IsAgent set in that trailer.
TEST(ExtractPackage, WebAgentCopyEndsWithItsTrailerFlaggedAsAgent) {
    PackageTrailer t = BaseTrailer(0);
    t.webInstall = 1;
    t.makeAgentCopy = 1;
    const std::string unsigned_ = Package({}, &t);
    PackageTrailer agent = t;
    agent.packageStart = 1024;
    agent.isAgent = 1;
    const std::string expected =
        unsigned_.substr(0, unsigned_.size() - kTrailerSize) + TrailerBytes(agent);
    EXPECT_EQ(WebAgentCopy(unsigned_), expected);

    for (const size_t signature : {size_t{100}, size_t{20000}}) {
        std::string stub = StubImage();
        ByteWriter(stub.data(), stub.size()).U32(252, uint32_t(unsigned_.size()));
        const std::string signed_ = Package({}, &t, stub) + std::string(signature, '\x5C');
        std::string expectedSigned = expected;
        ByteWriter(expectedSigned.data(), expectedSigned.size())
            .U32(252, uint32_t(unsigned_.size()));
        EXPECT_EQ(WebAgentCopy(signed_), expectedSigned) << signature;
    }
    EXPECT_EQ(WebAgentCopy("MZ"), "MZ");
}
