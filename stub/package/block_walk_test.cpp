#include "stub/package/block_walk.h"

#include <gtest/gtest.h>

#include "stub/package/test_package.h"

TEST(BlockWalk, HeadersThenStoredAndCompressedEntries) {
    MemoryFileReader file(testpkg::Package(
        {testpkg::StoredEntry("|a|0|", "xyz"), testpkg::CompressedEntry("|b|0|", "data")}));
    const TrailerPlace place = ReadTrailer(file);
    BlockWalker walker(file, place, 2);
    BlockRef block;
    std::vector<std::pair<bool, bool>> kinds;  // header, compressed
    while (walker.Next(block)) kinds.emplace_back(block.header, block.compressed);
    EXPECT_EQ(walker.error(), BlockError::kNone);
    EXPECT_EQ(kinds, (std::vector<std::pair<bool, bool>>{
                         {true, false}, {true, false}, {false, false}, {false, true}}));
    EXPECT_EQ(walker.position(), place.trailerStart);
}

TEST(BlockWalk, HostileLengthsAreStoppedAtTheTrailer) {
    const std::string entry = testpkg::StoredEntry("|a|0|", "xyz");
    const struct {
        const char* what;
        std::string blocks;
        BlockError error;
    } cases[] = {
        {"past the end", testpkg::Block(1000, "x"), BlockError::kPastEnd},
        {"into the trailer", testpkg::Block(-10, "abc"), BlockError::kPastEnd},
        {"minimum", testpkg::Block(INT32_MIN, ""), BlockError::kLengthMinimum},
        {"stray bytes", entry + "ab", BlockError::kPastEnd},
        {"negative max", testpkg::Block(-INT32_MAX, ""), BlockError::kPastEnd},
    };
    for (const auto& c : cases) {
        const std::string bytes = testpkg::Package({c.blocks});
        MemoryFileReader file(bytes);
        EXPECT_EQ(ValidateBlockChain(file, ReadTrailer(file), 2), c.error) << c.what;
    }
    PackageTrailer outside = testpkg::BaseTrailer(0);
    std::string bytes = testpkg::Package({entry}, &outside);
    ByteWriter(bytes.data(), bytes.size()).U32(bytes.size() - 74 + 4, uint32_t(bytes.size()) + 1);
    MemoryFileReader file(bytes);
    EXPECT_EQ(ValidateBlockChain(file, ReadTrailer(file), 2), BlockError::kStartOutsideFile);
}
