// The ROM chain walks and the region merge over hostile bytes. The input is split into a BIOS
// file and a flash copy, each in a buffer of exactly its size.
#include <cstdint>
#include <cstring>
#include <vector>

#include "flash/images/bios_merge.h"
#include "flash/images/bios_rom_chain.h"

namespace {

constexpr uint16_t kAdapterIds[] = {0x0050, 0x0051, 0x0054, 0x0055, 0x0058, 0x0059, 0x0062};
constexpr uint8_t kKinds[] = {kCodeTypeX86, kCodeTypeFcode, kCodeTypeEfi, kRomAlternateX86,
                              kRomFirstImage};

void Walk(ByteSpan region, uint16_t adapter) {
    for (uint8_t kind : kKinds) {
        RomImage image;
        if (FindRomImage(region, kind, &image) &&
            (image.offset + image.length > region.size() || image.length == 0))
            __builtin_trap();
        BiosImageVersion(region, kind, adapter);
    }
    for (uint8_t recordClass : {1, 3}) {
        for (uint16_t identifier : {0x102, 0x110, 0x112, 0x113}) {
            TrailingRecord record;
            if (FindTrailingRecord(region, recordClass, identifier, &record) &&
                record.offset + record.length > region.size())
                __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint16_t adapter = kAdapterIds[(data[0] & 0x7F) % std::size(kAdapterIds)];
    const bool allAdapters = data[0] & 0x80;
    size_t split = (size_t{data[1]} << 8 | data[2]) * 16;
    data += 3;
    size -= 3;
    if (split > size) split = size;
    const std::vector<uint8_t> file(data, data + split);
    const std::vector<uint8_t> flash(data + split, data + size);
    Walk(ByteSpan(file), adapter);
    Walk(ByteSpan(flash), adapter);

    const BiosRegionPlan plan =
        PlanBiosRegion(ByteSpan(file), ByteSpan(flash), adapter, allAdapters);
    std::vector<uint8_t> region(plan.length);
    AssembleBiosRegion(plan, region.data());
    // Every image of the new region is whole and sums to zero.
    size_t offset = 0;
    for (size_t i = 0; i < plan.count; ++i) {
        if (plan.parts[i].romImage) {
            uint8_t sum = 0;
            for (size_t b = 0; b < plan.parts[i].length; ++b) sum += region[offset + b];
            RomImage image;
            if (sum != 0 ||
                CheckRomImage(ByteSpan(region), offset, &image) != RomImageCheck::kValid)
                __builtin_trap();
        }
        offset += plan.parts[i].length;
    }
    if (offset != region.size()) __builtin_trap();
    return 0;
}
