#include "stub/package/package_trailer.h"

#include <gtest/gtest.h>

#include "stub/package/test_package.h"

using testpkg::U32;

namespace {

PackageTrailer Sample() {
    PackageTrailer t = testpkg::BaseTrailer(1024, 7);
    t.headerBlockCount = 3;
    t.checksum = 0x01020304;
    t.buildStamp = 0x0000000123456789;
    for (size_t i = 0; i < kSpaceNeededCount; ++i) t.spaceNeeded[i] = 1000 + uint32_t(i);
    t.flags = kMoreDisks | kAgentLog;
    t.webInstall = 1;
    t.confirmDownload = 2;
    t.makeAgentCopy = 3;
    t.isAgent = 4;
    return t;
}

std::string TrailerPrefix(const PackageTrailer& t, size_t length) {
    return testpkg::TrailerBytes(t).substr(0, length - 4) + U32(uint32_t(length));
}

}  // namespace

TEST(PackageTrailer, FullTrailerAtTheEndOfAPlainFile) {
    const PackageTrailer t = Sample();
    MemoryFileReader file(std::string(1024, 'x') + testpkg::TrailerBytes(t));
    const TrailerPlace place = ReadTrailer(file);
    ASSERT_TRUE(place.ok());
    EXPECT_EQ(place.trailerStart, 1024u);
    EXPECT_EQ(place.trailerEnd, 1098u);
    EXPECT_EQ(testpkg::TrailerBytes(place.trailer), testpkg::TrailerBytes(t));
    // Field offsets as laid down in the format.
    const std::string bytes = testpkg::TrailerBytes(t);
    EXPECT_EQ(bytes.substr(12, 4), "\x1d\x2c\x3b\x4a");
    EXPECT_EQ(uint8_t(bytes[65]), kMoreDisks | kAgentLog);
    EXPECT_EQ(bytes.substr(70, 4), U32(74));
}

TEST(PackageTrailer, SignedStubFindsItsTrailerThroughTrailerEndOffset) {
    std::string stub = testpkg::StubImage(2048);
    const PackageTrailer t = Sample();
    const uint32_t end = 2048 + kTrailerSize;
    ByteWriter(stub.data(), stub.size()).U32(252, end);
    MemoryFileReader file(stub + testpkg::TrailerBytes(t) + std::string(5000, '\x30'));
    EXPECT_EQ(TrailerEndOffset(file), end);
    const TrailerPlace place = ReadTrailer(file);
    ASSERT_TRUE(place.ok());
    EXPECT_EQ(place.trailerEnd, end);
    EXPECT_EQ(place.trailer.filesCount, 7u);

    // Without 'PE' at 256 the file is no executable and the field means nothing.
    stub[257] = 'X';
    MemoryFileReader plain(stub + testpkg::TrailerBytes(t));
    EXPECT_EQ(TrailerEndOffset(plain), 0u);
}

TEST(PackageTrailer, ShortAndLongTrailers) {
    PackageTrailer t = Sample();
    t.headerBlockCount = 0;
    MemoryFileReader shortFile(std::string(100, 'x') + TrailerPrefix(t, 48));
    const TrailerPlace shortPlace = ReadTrailer(shortFile);
    ASSERT_TRUE(shortPlace.ok());
    EXPECT_EQ(shortPlace.trailer.headerBlockCount, 2);  // 0 reads as 2
    EXPECT_EQ(shortPlace.trailer.trailerLength, 48u);
    EXPECT_EQ(shortPlace.trailer.spaceNeeded[3], 1003u);
    for (size_t i = 4; i < kSpaceNeededCount; ++i) EXPECT_EQ(shortPlace.trailer.spaceNeeded[i], 0u);
    EXPECT_EQ(shortPlace.trailer.flags, 0);
    EXPECT_EQ(shortPlace.trailer.isAgent, 0);

    // A longer trailer: its first 70 bytes count and the length is taken as 74.
    const std::string longTrailer =
        testpkg::TrailerBytes(Sample()).substr(0, 70) + std::string(26, '\xee') + U32(100);
    MemoryFileReader longFile(std::string(100, 'x') + longTrailer);
    const TrailerPlace longPlace = ReadTrailer(longFile);
    ASSERT_TRUE(longPlace.ok());
    EXPECT_EQ(longPlace.trailerStart, 100u);
    EXPECT_EQ(longPlace.trailer.trailerLength, 74u);
    EXPECT_EQ(longPlace.trailer.isAgent, 4);
}

TEST(PackageTrailer, UnusableTrailersAreRefused) {
    std::string farEnd = testpkg::StubImage(512);
    ByteWriter(farEnd.data(), farEnd.size()).U32(252, 5000);
    std::string highHalf = testpkg::StubImage(512);
    ByteWriter(highHalf.data(), highHalf.size()).U32(248, 1);
    ByteWriter(highHalf.data(), highHalf.size()).U32(252, 100);
    const struct {
        std::string file;
        TrailerError error;
    } cases[] = {
        {"", TrailerError::kFileTooShort},
        {"abc", TrailerError::kFileTooShort},
        {std::string(100, 'x') + U32(0), TrailerError::kLengthTooSmall},
        {std::string(100, 'x') + U32(3), TrailerError::kLengthTooSmall},
        {std::string(100, 'x') + U32(105), TrailerError::kLengthBeyondFile},
        {std::string(100, 'x') + U32(0xFFFFFFFF), TrailerError::kLengthBeyondFile},
        {farEnd + testpkg::TrailerBytes(Sample()), TrailerError::kEndBeyondFile},
        {highHalf + testpkg::TrailerBytes(Sample()), TrailerError::kEndBeyondFile},
    };
    for (const auto& c : cases) {
        MemoryFileReader file(c.file);
        const TrailerPlace place = ReadTrailer(file);
        EXPECT_EQ(place.error, c.error) << DescribeTrailerError(c.error);
        EXPECT_EQ(place.trailer.magic, 0u);
    }
    // Length exactly 4 is a (useless) trailer of no fields.
    MemoryFileReader four(std::string(10, 'x') + U32(4));
    EXPECT_TRUE(ReadTrailer(four).ok());
}
