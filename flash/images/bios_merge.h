// Assembling a boot services region from a BIOS file and the region in flash: the images and
// records the file supplies replace those of the flash copy, the others are kept.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flash/images/bios_rom_chain.h"

struct BiosPart {
    const uint8_t* data;
    size_t length;
    bool romImage;
    size_t pcirOffset;  // ROM images: of the PCI data structure, from the part's start
};

enum class BiosVersionCheck { kNone, kBios, kFcode };

// Primary x86, alternate x86, EFI, FCODE, four class-1 and four class-3 records.
inline constexpr size_t kMaxBiosParts = 12;

struct BiosRegionPlan {
    BiosPart parts[kMaxBiosParts];
    size_t count = 0;
    size_t length = 0;  // of the new region
    uint8_t fileCodeType = 0;
    bool fileImageFound = false;  // the file's first image is one the region can hold
    // In all-adapters runs a file that is not newer than the flash is not flashed.
    BiosVersionCheck compared = BiosVersionCheck::kNone;
    uint32_t flashVersion = 0;
    uint32_t fileVersion = 0;
    bool skipped = false;
};

// Decides where every part of the new region comes from. The file has passed ValidateBiosImage,
// so its first image carries the id it is flashed under. Parts point into file and flash.
BiosRegionPlan PlanBiosRegion(ByteSpan file, ByteSpan flash, uint16_t adapterDeviceId,
                              bool allAdapters);

// Copies the parts back to back into out (plan.length bytes). Every ROM image followed by another
// gets its indicator cleared; the last one keeps the indicator it had where it came from. Every
// ROM image is re-checksummed; records are copied unchanged.
void AssembleBiosRegion(const BiosRegionPlan& plan, uint8_t* out);

// Reads the region from the controller, assembles the new one and downloads it (image type 2).
bool MergeBiosRegion(const uint8_t* image, size_t length, uint32_t handle, uint16_t adapterDeviceId,
                     uint16_t* iocStatus, uint32_t* iocLogInfo);
