// Version words, chip models with their stepping codes, product ids and the two checksums.
#include <cstdio>
#include <string>
#include <string_view>

#include "common/bytes.h"
#include "tools/image_builder/image_builder.h"

namespace imgb {
namespace {

struct Stepping {
    uint8_t pciRevision;
    uint8_t code;
};

struct SteppingTable {
    uint8_t family;
    const Stepping* rows;
    size_t count;
};

constexpr Stepping kT410Steppings[] = {{1, 0xA2}, {2, 0xA3}, {3, 0xA4}};
constexpr Stepping kT420Steppings[] = {{0, 0xA0}, {1, 0xB0}, {2, 0xB1}};
constexpr Stepping kT4x0ESteppings[] = {{0, 0xA0}, {1, 0xB0}, {2, 0xB1},
                                        {4, 0xB2}, {8, 0xB3}, {0x10, 0xC0}};
constexpr Stepping kT470Steppings[] = {{1, 0xB0}, {2, 0xC0}, {3, 0xC1}, {4, 0xC2}};

constexpr SteppingTable kSteppingTables[] = {
    {kFamilyT410, kT410Steppings, std::size(kT410Steppings)},
    {kFamilyT420, kT420Steppings, std::size(kT420Steppings)},
    {kFamilyT4x0E, kT4x0ESteppings, std::size(kT4x0ESteppings)},
    {kFamilyT470, kT470Steppings, std::size(kT470Steppings)},
};

constexpr ChipModel kChipModels[] = {
    {"T410", 0x0050, 0x0051, kFamilyT410, 0x0410},
    {"T420", 0x0054, 0x0055, kFamilyT420, 0x0420},
    {"T410E", 0x0056, 0x0057, kFamilyT4x0E, 0x040E},
    {"T420E", 0x0058, 0x0059, kFamilyT4x0E, 0x040E},
    {"T470", 0x0062, 0x0060, kFamilyT470, 0x0470},
};

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

bool ParseVersionWord(std::string_view text, uint32_t* version) {
    uint32_t word = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') return false;
            ++pos;
        }
        size_t start = pos;
        unsigned value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3) {
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
        }
        if (pos == start || value > 255) return false;
        word = (word << 8) | value;
    }
    if (pos != text.size()) return false;
    *version = word;
    return true;
}

std::string FormatVersionWord(uint32_t version) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u.%02u.%02u.%02u", (version >> 24) & 0xFF,
                  (version >> 16) & 0xFF, (version >> 8) & 0xFF, version & 0xFF);
    return text;
}

const ChipModel* FindChipModel(std::string_view name) {
    for (const ChipModel& model : kChipModels)
        if (SameName(model.name, name)) return &model;
    return nullptr;
}

const ChipModel* FindChipModelByDevice(uint16_t deviceId) {
    for (const ChipModel& model : kChipModels)
        if (model.deviceId == deviceId || model.secondDeviceId == deviceId) return &model;
    return nullptr;
}

bool SeqCodeVersionFor(uint16_t deviceId, uint8_t pciRevision, uint32_t* seqCode) {
    const ChipModel* model = FindChipModelByDevice(deviceId);
    if (!model) return false;
    for (const SteppingTable& table : kSteppingTables) {
        if (table.family != model->family) continue;
        for (size_t i = 0; i < table.count; ++i) {
            if (table.rows[i].pciRevision == pciRevision) {
                *seqCode = uint32_t{model->chipCode} << 8 | table.rows[i].code;
                return true;
            }
        }
    }
    return false;
}

uint16_t MakeProductId(uint8_t protocol, uint8_t kind, uint8_t family) {
    return static_cast<uint16_t>((protocol & 0xF) << 12 | (kind & 0xF) << 8 | family);
}

uint32_t WordSum(const uint8_t* data, size_t size) {
    ByteReader reader(data, size);
    uint32_t sum = 0;
    size_t whole = size / 4 * 4;
    for (size_t offset = 0; offset < whole; offset += 4) sum += reader.U32(offset);
    uint32_t last = 0;
    for (size_t i = whole; i < size; ++i) last |= uint32_t{reader.U8(i)} << (8 * (i - whole));
    return sum + last;
}

uint8_t ByteSum(const uint8_t* data, size_t size) {
    ByteReader reader(data, size);
    uint8_t sum = 0;
    for (size_t i = 0; i < size; ++i) sum = static_cast<uint8_t>(sum + reader.U8(i));
    return sum;
}

}  // namespace imgb
