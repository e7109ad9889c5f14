#include "stub/testing/screenshot.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

uint32_t BigEndian(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes.at(at + i));
    return value;
}

struct Chunk {
    std::string type;
    std::string data;
    uint32_t crc;
};

// Splits a PNG file into its chunks, checking each one's CRC over type and data.
std::vector<Chunk> Chunks(const std::string& png) {
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = BigEndian(png, at);
        if (at + 12 + length > png.size()) {
            ADD_FAILURE() << "chunk runs past the end at " << at;
            break;
        }
        Chunk chunk{png.substr(at + 4, 4), png.substr(at + 8, length),
                    BigEndian(png, at + 8 + length)};
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), 4 + length);
        EXPECT_EQ(chunk.crc, crc) << chunk.type;
        chunks.push_back(chunk);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    return chunks;
}

}  // namespace

TEST(Screenshot, PngHoldsTheImageRowByRow) {
    // 3 x 2: red, green, blue / white, black, grey.
    RgbImage image{3, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128}};
    const std::string png = EncodePng(image);
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

    const std::vector<Chunk> chunks = Chunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[0].data, std::string("\0\0\0\3\0\0\0\2\x08\x02\0\0\0", 13));
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    EXPECT_EQ(chunks[2].data, "");
    // Every PNG ends in the same IEND chunk.
    EXPECT_EQ(png.substr(png.size() - 12), std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12));

    std::string scanlines(64, '\0');
    uLongf size = scanlines.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(scanlines.data()), &size,
                         reinterpret_cast<const Bytef*>(chunks[1].data.data()),
                         static_cast<uLong>(chunks[1].data.size())),
              Z_OK);
    scanlines.resize(size);
    EXPECT_EQ(scanlines, std::string("\0\xff\0\0\0\xff\0\0\0\xff"
                                     "\0\xff\xff\xff\0\0\0\x80\x80\x80",
                                     20));
}

TEST(Screenshot, RefusesImagesThatDoNotAddUp) {
    EXPECT_EQ(EncodePng({0, 0, {}}), "");
    EXPECT_EQ(EncodePng({2, 2, std::vector<uint8_t>(11)}), "");
}
