#include "flash/images/bios_merge.h"

#include <cstring>

#include "common/bytes.h"
#include "flash/adapters/ioc_calls.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/memory.h"
#include "flash/frontend/messages.h"
#include "flash/images/firmware_image.h"
#include "flash/pal/mpi.h"

namespace {

constexpr uint16_t kRecordIdentifiers[] = {0x102, 0x110, 0x112, 0x113};
// Class-3 records go into the region in this order.
constexpr uint16_t kEfiRecordIdentifiers[] = {0x102, 0x112, 0x110, 0x113};

struct PartSource {
    ByteSpan region;
    RomImage image;
    bool present = false;
};

PartSource FindImage(ByteSpan region, uint8_t wantedType) {
    PartSource source{region, {}, false};
    source.present = FindRomImage(region, wantedType, &source.image);
    return source;
}

void AddImage(BiosRegionPlan* plan, const PartSource& source) {
    if (!source.present) return;
    plan->parts[plan->count++] =
        BiosPart{source.region.data() + source.image.offset, source.image.length, true,
                 source.image.pcir - source.image.offset};
    plan->length += source.image.length;
}

void AddRecords(BiosRegionPlan* plan, ByteSpan region, uint8_t recordClass,
                const uint16_t (&identifiers)[4]) {
    for (uint16_t identifier : identifiers) {
        TrailingRecord record;
        if (!FindTrailingRecord(region, recordClass, identifier, &record)) continue;
        plan->parts[plan->count++] =
            BiosPart{region.data() + record.offset, record.length, false, 0};
        plan->length += record.length;
    }
}

uint32_t Comparable(uint32_t version) {
    return version == kNoBiosVersion ? 0 : version;
}

void CompareVersions(BiosRegionPlan* plan, BiosVersionCheck check, ByteSpan file, ByteSpan flash,
                     uint8_t kind, uint16_t adapterDeviceId) {
    plan->compared = check;
    plan->fileVersion = Comparable(BiosImageVersion(file, kind, adapterDeviceId));
    plan->flashVersion = Comparable(BiosImageVersion(flash, kind, adapterDeviceId));
    plan->skipped = plan->fileVersion <= plan->flashVersion;
}

}  // namespace

BiosRegionPlan PlanBiosRegion(ByteSpan file, ByteSpan flash, uint16_t adapterDeviceId,
                              bool allAdapters) {
    BiosRegionPlan plan;
    RomImage first;
    if (CheckRomImage(file, 0, &first) != RomImageCheck::kValid) return plan;
    const uint8_t t = first.codeType;
    plan.fileCodeType = t;
    plan.fileImageFound = t == kCodeTypeX86 || t == kCodeTypeFcode || t == kCodeTypeEfi;
    if (!plan.fileImageFound) return plan;

    PartSource primary;
    PartSource alternate;
    bool legacyRecordsFromFile = false;
    if (t == kCodeTypeX86) {
        const PartSource fileX86 = FindImage(file, kCodeTypeX86);
        const PartSource flashX86 = FindImage(flash, kCodeTypeX86);
        const uint16_t fileId = fileX86.image.deviceId;
        primary = fileX86;
        if (!flashX86.present) {
            legacyRecordsFromFile = true;
        } else if (flashX86.image.deviceId == fileId) {
            // The file replaces the primary; the alternate behind it stays.
            alternate = FindImage(flash, kRomAlternateX86);
            legacyRecordsFromFile = !alternate.present;
        } else if (fileId == flashX86.image.deviceId + 1) {
            // The file is the alternate of the primary in flash.
            primary = flashX86;
            alternate = fileX86;
        } else {
            // A primary for another id moves behind the file as its alternate.
            alternate = flashX86;
            legacyRecordsFromFile = true;
        }
        if (allAdapters) {
            CompareVersions(&plan, BiosVersionCheck::kBios, file, flash, kCodeTypeX86,
                            adapterDeviceId);
        }
    } else {
        // An EFI or FCODE file leaves every x86 image where it is.
        primary = FindImage(flash, kCodeTypeX86);
        alternate = FindImage(flash, kRomAlternateX86);
        if (t == kCodeTypeFcode && allAdapters) {
            CompareVersions(&plan, BiosVersionCheck::kFcode, file, flash, kCodeTypeFcode,
                            adapterDeviceId);
        }
    }

    AddImage(&plan, primary);
    AddImage(&plan, alternate);
    AddImage(&plan, FindImage(t == kCodeTypeEfi ? file : flash, kCodeTypeEfi));
    AddImage(&plan, FindImage(t == kCodeTypeFcode ? file : flash, kCodeTypeFcode));
    AddRecords(&plan, legacyRecordsFromFile ? file : flash, kRecordClassLegacy, kRecordIdentifiers);
    AddRecords(&plan, t == kCodeTypeEfi ? file : flash, kRecordClassEfi, kEfiRecordIdentifiers);
    return plan;
}

void AssembleBiosRegion(const BiosRegionPlan& plan, uint8_t* out) {
    size_t offset = 0;
    for (size_t i = 0; i < plan.count; ++i) {
        const BiosPart& part = plan.parts[i];
        uint8_t* at = out + offset;
        std::memcpy(at, part.data, part.length);
        if (part.romImage) {
            const bool followedByImage = i + 1 < plan.count && plan.parts[i + 1].romImage;
            if (followedByImage) {
                ByteWriter(at, part.length).U8(part.pcirOffset + kPcirIndicatorOffset, 0);
            }
            RomImageChecksum(at, part.length);
        }
        offset += part.length;
    }
}

bool MergeBiosRegion(const uint8_t* image, size_t length, uint32_t handle, uint16_t adapterDeviceId,
                     uint16_t* iocStatus, uint32_t* iocLogInfo) {
    uint8_t* flash = nullptr;
    uint32_t flashLength = 0;
    // Without the flash copy every image the file does not carry would be lost.
    if (!UploadImage(handle, MPI_IMAGE_TYPE_BIOS, &flash, &flashLength, iocStatus, iocLogInfo) ||
        *iocStatus != 0) {
        FreeCounted(flash);
        MessageAt(kLevelError,
                  "\t\tERROR: Unable to read the boot services region from the controller.\n");
        return false;
    }

    const BiosRegionPlan plan = PlanBiosRegion(
        ByteSpan(image, length), ByteSpan(flash, flashLength), adapterDeviceId, AllAdaptersMode());
    if (!plan.fileImageFound) {
        FreeCounted(flash);
        MessageAt(kLevelError,
                  "\t\tERROR: BIOS Image code type 0x%02x is neither x86, FCODE nor EFI.\n\n",
                  plan.fileCodeType);
        return false;
    }
    if (plan.skipped) {
        const char* what = plan.compared == BiosVersionCheck::kFcode ? "FCODE" : "BIOS";
        MessageAt(kLevelReport, "\t\t%s Version in flash: %08X\n", what, plan.flashVersion);
        MessageAt(kLevelReport, "\t\t%s Version from file: %08X\n", what, plan.fileVersion);
    }

    auto* region = static_cast<uint8_t*>(AllocZeroed(plan.length));
    if (region) AssembleBiosRegion(plan, region);
    FreeCounted(flash);
    if (!region) return false;

    bool result = false;
    if (plan.skipped) {
        MessageAt(kLevelReport,
                  "\t\tSkipping flash since file version is not greater than existing.\n\n");
    } else {
        result = IocFirmwareDownload(handle, region, static_cast<uint32_t>(plan.length), 0,
                                     MPI_IMAGE_TYPE_BIOS, 1, iocStatus, iocLogInfo) &&
                 *iocStatus == 0;
    }
    FreeCounted(region);
    return result;
}
