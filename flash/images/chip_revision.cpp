#include "flash/images/chip_revision.h"

#include <array>
#include <span>

#include "flash/frontend/messages.h"

namespace {

struct Stepping {
    uint8_t pciRevision;
    uint8_t code;
};

struct ChipFamilyRow {
    const char* name;
    uint16_t chipCode;
    std::array<uint16_t, 4> pciDeviceIds;  // unused entries 0
    std::span<const Stepping> steppings;
    bool seqCodeOneFitsAll;
};

constexpr Stepping kT410Steppings[] = {{1, 0xA2}, {2, 0xA3}, {3, 0xA4}};
constexpr Stepping kT420Steppings[] = {{0, 0xA0}, {1, 0xB0}, {2, 0xB1}};
constexpr Stepping kT4x0ESteppings[] = {{0, 0xA0}, {1, 0xB0}, {2, 0xB1},
                                        {4, 0xB2}, {8, 0xB3}, {0x10, 0xC0}};
constexpr Stepping kT470Steppings[] = {{1, 0xB0}, {2, 0xC0}, {3, 0xC1}, {4, 0xC2}};

constexpr ChipFamilyRow kChipFamilies[] = {
    {"T410", kChipCodeT410, {0x0050, 0x0051}, kT410Steppings, false},
    {"T420", kChipCodeT420, {0x0054, 0x0055}, kT420Steppings, false},
    {"T4x0E", kChipCodeT4x0E, {0x0056, 0x0057, 0x0058, 0x0059}, kT4x0ESteppings, false},
    {"T470", kChipCodeT470, {0x0060, 0x0062}, kT470Steppings, true},
};

const ChipFamilyRow* FamilyOf(uint16_t pciDeviceId) {
    for (const ChipFamilyRow& family : kChipFamilies) {
        for (uint16_t id : family.pciDeviceIds) {
            if (id != 0 && id == pciDeviceId) return &family;
        }
    }
    return nullptr;
}

const Stepping* SteppingOf(const ChipFamilyRow& family, uint8_t pciRevision) {
    for (const Stepping& stepping : family.steppings) {
        if (stepping.pciRevision == pciRevision) return &stepping;
    }
    return nullptr;
}

}  // namespace

bool MatchChipRevision(FirmwareImage image, uint16_t pciDeviceId, uint8_t pciRevision) {
    const uint32_t imageCode = ImageWord(image, kFwSeqCodeVersionOffset);
    const ChipFamilyRow* family = FamilyOf(pciDeviceId);
    if (!family) {
        MessageAt(kLevelError, "\t\tERROR: Unable to find a supported Kelmar SAS Controller\n");
        return false;
    }
    if (family->seqCodeOneFitsAll && imageCode == kSeqCodeAnyT470Revision) return true;
    const Stepping* stepping = SteppingOf(*family, pciRevision);
    if (!stepping) {
        MessageAt(kLevelError, "\t\tERROR: The  Revison  %x is not supported for Kelmar%s Chip\n",
                  pciRevision, family->name);
        return false;
    }
    const uint32_t expected = uint32_t{family->chipCode} << 8 | stepping->code;
    if (imageCode != expected) {
        MessageAt(kLevelError,
                  "\t\tERROR: The Firmware Image is for a %x %x Kelmar SAS Controller,\n"
                  "\t\tbut the target adapter is a %x %x Kelmar SAS Controller\n\n",
                  imageCode >> 8, imageCode & 0xFF, expected >> 8, expected & 0xFF);
        return false;
    }
    return true;
}
