// The common boot block (CBB) of T470 controllers: its header and version text, and how it is
// taken out of the firmware images that carry it. Nothing here talks to a controller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "flash/images/firmware_image.h"

// Block header, offsets from the start of the block.
inline constexpr size_t kCbbSignatureOffset = 0x00;  // "T470", tested in Ombra images only
inline constexpr size_t kCbbMagicOffset = 0x10;
inline constexpr size_t kCbbLengthOffset = 0x18;
inline constexpr size_t kCbbVersionOffsetOffset = 0x1C;
inline constexpr size_t kCbbHeaderSize = 0x20;
inline constexpr size_t kCbbVersionTextSize = 15;

// Four ASCII bytes in file order, read as a little-endian word.
constexpr uint32_t AsciiWord(const char (&text)[5]) {
    return uint32_t{uint8_t(text[0])} | uint32_t{uint8_t(text[1])} << 8 |
           uint32_t{uint8_t(text[2])} << 16 | uint32_t{uint8_t(text[3])} << 24;
}
inline constexpr uint32_t kCbbMagic = AsciiWord("BTBL");
inline constexpr uint32_t kT470Signature = AsciiWord("T470");

// In a T470 firmware image the block is the data of a type 5 extended image.
inline constexpr size_t kExtCbbOffset = kExtImageHeaderSize;
inline constexpr size_t kExtCbbMagicOffset = kExtCbbOffset + kCbbMagicOffset;    // 0x28
inline constexpr size_t kExtCbbLengthOffset = kExtCbbOffset + kCbbLengthOffset;  // 0x30

// In an Ombra image the block starts on a multiple of this.
inline constexpr size_t kOmbraCbbAlignment = 0x20000;

struct CbbVersion {
    uint8_t major;
    uint16_t a;
    uint16_t b;
    uint16_t c;
    uint32_t d;
};

// The text "M.aa.bb.cc.dddd" at the offset the header names: digits at fixed positions, the
// separators not examined. False when the text does not lie inside the block or a digit is not
// one.
bool ParseCbbVersion(const uint8_t* block, size_t length, CbbVersion* version);
// Negative, zero or positive as x is older than, equal to or newer than y.
int CompareCbbVersion(const CbbVersion& x, const CbbVersion& y);

// What is wrong with a block taken out of an image (too short, no magic, no version), or null.
const char* CommonBootBlockProblem(const uint8_t* block, size_t length);

// Takes the CBB extended image out of a firmware image: the block goes to *cbb, the main image
// and the other extended images are packed into image[0, *length) in chain order and relinked,
// with checksums balanced. An image without valid signatures, without extended images or without
// a block is left as it is. A chain that does not hold together (ReadFirmwareChain), two blocks or
// a damaged block leave the image untouched and answer false with *problem set.
bool SplitCommonBootBlock(uint8_t* image, uint32_t* length, std::vector<uint8_t>* cbb,
                          const char** problem);

// Finds the CBB at the end of an Ombra image (at a multiple of 0x20000, "T470" and the magic in
// its header): the block goes to *cbb and *length drops by its length. Without one nothing
// changes. A block running past the end, a damaged block or nothing left in front of the block
// answers false with *problem set.
bool ExtractOmbraBootBlock(const uint8_t* image, uint32_t* length, std::vector<uint8_t>* cbb,
                           const char** problem);
