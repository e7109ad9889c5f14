#include "stub/package/package_checksum.h"

#include <gtest/gtest.h>

#include "stub/package/test_package.h"

namespace {

std::string Words(size_t count, uint32_t (*word)(size_t)) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += testpkg::U32(word(i));
    return out;
}

// A file of zeros of any size that counts the bytes read from it.
class ZeroFile : public FileReader {
  public:
    explicit ZeroFile(uint64_t size) : size_(size) {}
    uint64_t Size() override { return size_; }
    size_t ReadAt(uint64_t offset, void* out, size_t count) override {
        if (offset >= size_) return 0;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
        std::memset(out, 0, n);
        bytesRead += n;
        return n;
    }
    uint64_t bytesRead = 0;

  private:
    uint64_t size_;
};

}  // namespace

// Expected sums worked out by hand from the word-by-word rule.
TEST(PackageChecksum, HandWorkedFiles) {
    // 100 bytes, words 1..25, 74-byte trailer: only words 1..5 leave more than 4 bytes.
    MemoryFileReader small(Words(25, [](size_t i) { return uint32_t(i + 1); }));
    EXPECT_EQ(PackageChecksum(small, 74), 15u);

    // Two full chunks of ones and a trailer: chunk 1 adds 1024 + 1234, chunk 2 1022 words.
    MemoryFileReader chunks(Words(2048, [](size_t) { return 1u; }) + std::string(74, '\x7f'));
    EXPECT_EQ(PackageChecksum(chunks, 74), 1024u + 1234u + 1022u);

    // A signed stub: the first 512 bytes and everything from the trailer on are left out.
    std::string stub = testpkg::StubImage(512);
    ByteWriter(stub.data(), stub.size()).U32(252, 512 + 1000 + 74);
    MemoryFileReader signedStub(stub + Words(250, [](size_t) { return 1u; }) +
                                std::string(74, '\x11') + std::string(3000, '\xab'));
    EXPECT_EQ(PackageChecksum(signedStub, 74), 248u);
}

TEST(PackageChecksum, LargeFilesAreNotRead) {
    ZeroFile sixtyMegabytes(60'000'000);
    EXPECT_EQ(PackageChecksum(sixtyMegabytes, 74), 1234u);
    EXPECT_EQ(sixtyMegabytes.bytesRead, 0u);
    EXPECT_TRUE(ChecksumPasses(PackageChecksum(sixtyMegabytes, 74), 0xDEADBEEF));

    // Exactly at the limit the file is summed: 12799 full chunks precede more covered bytes.
    ZeroFile atLimit(kChecksumSizeLimit);
    EXPECT_EQ(PackageChecksum(atLimit, 74), 12799u * 1234u);
    EXPECT_GE(atLimit.bytesRead, kChecksumSizeLimit);
}

TEST(PackageChecksum, PassRule) {
    const struct {
        uint32_t computed, stored;
        bool passes;
    } cases[] = {{5, 5, true}, {5, 6, false}, {1234, 6, true}, {5, 1234, true}, {0, 0, true}};
    for (const auto& c : cases)
        EXPECT_EQ(ChecksumPasses(c.computed, c.stored), c.passes) << c.computed << "/" << c.stored;
}
