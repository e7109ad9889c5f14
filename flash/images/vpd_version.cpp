#include "flash/images/vpd_version.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/bytes.h"
#include "flash/adapters/ioc_calls.h"
#include "flash/adapters/ioc_state.h"
#include "flash/frontend/messages.h"
#include "flash/images/vpd_layout.h"

namespace {

constexpr ConfigPageId kManufacturingPage2 = {MPI_CONFIG_PAGETYPE_MANUFACTURING, 2, 0, 0};
constexpr size_t kManufacturingPage2Length = 48;
constexpr size_t kPage2SubsystemVendorOffset = 0x0A;

// The shortest value a version keyword must have: eleven characters and the zero byte.
constexpr size_t kVersionValueLength = 12;
constexpr uint32_t kNoBiosVersion = 0xFFFFFFFF;

// A page answered with an IOCStatus holds nothing that was read.
bool ReadNvramPage(uint32_t handle, const ConfigPageId& page, uint8_t* buffer, uint32_t size) {
    uint16_t iocStatus = 0;
    uint32_t iocLogInfo = 0;
    return IocConfigRead(handle, MPI_CONFIG_ACTION_PAGE_READ_NVRAM, page, buffer, size, &iocStatus,
                         &iocLogInfo) &&
           iocStatus == 0;
}

// The value keeps its terminating zero even when the text does not fit; the bytes after the zero
// are cleared, so no part of an older, longer text survives behind it.
void WriteValue(uint8_t* vpd, const VpdKeyword& keyword, const char* text) {
    const size_t textLength = std::min<size_t>(std::strlen(text), keyword.valueLength - 1u);
    std::memset(vpd + keyword.valueOffset, 0, keyword.valueLength);
    std::memcpy(vpd + keyword.valueOffset, text, textLength);
}

char Digit(uint32_t value) {
    return static_cast<char>('0' + value);
}

}  // namespace

void VpdFirmwareVersionText(uint32_t version, char* text, size_t size) {
    std::snprintf(text, size, "%02u.%02u.%02u.%02u", (version >> 24) & 0xFFu,
                  (version >> 16) & 0xFFu, (version >> 8) & 0xFFu, version & 0xFFu);
}

void VpdBiosVersionText(uint32_t version, char* text, size_t size) {
    const uint32_t v = version & 0xFFFF;
    const char built[] = {'0',
                          Digit(v >> 13),
                          '.',
                          Digit((v >> 12) & 0x1),
                          Digit((v >> 8) & 0xF),
                          '.',
                          '0',
                          Digit((v >> 4) & 0xF),
                          '.',
                          '0',
                          Digit(v & 0xF),
                          '\0'};
    std::snprintf(text, size, "%s", built);
}

bool UpdateVpdVersion(uint32_t handle, uint8_t kind, uint32_t version) {
    if (kind == kVpdVersionFirmware && !IocMarkOperational(handle)) return false;

    uint8_t page2[kManufacturingPage2Length] = {};
    if (!ReadNvramPage(handle, kManufacturingPage2, page2, sizeof page2)) return false;
    if (ByteReader(page2, sizeof page2).U16(kPage2SubsystemVendorOffset) != kVpdVersionBoardVendor)
        return false;

    uint8_t page[kVpdPageLength] = {};
    if (!ReadNvramPage(handle, kVpdPage, page, sizeof page)) return false;
    MessageAt(kLevelReport, "\t\tUpdating VPD data!\n");

    char text[20] = {};
    const char* wanted = nullptr;  // the keyword this kind refreshes
    if (kind == kVpdVersionFirmware) {
        VpdFirmwareVersionText(version, text, sizeof text);
        wanted = "V3";
    } else if (kind == kVpdVersionBios && version != kNoBiosVersion) {
        VpdBiosVersionText(version, text, sizeof text);
        wanted = "V1";
    }

    uint8_t* vpd = page + kVpdPageOffset;
    bool written = false;
    if (wanted) {
        VpdResourceWalk resources(vpd, kVpdLength);
        VpdResource resource;
        while (resources.Next(&resource)) {
            VpdKeywordWalk keywords(vpd, kVpdLength, resource);
            VpdKeyword keyword;
            while (keywords.Next(&keyword)) {
                if (!IsVpdKeyword(keyword, wanted) || keyword.valueLength < kVersionValueLength)
                    continue;
                WriteValue(vpd, keyword, text);
                written = true;
            }
        }
    }
    if (!written) {
        MessageAt(kLevelReport, "\t\tVPD update not needed\n\n ");
        return false;
    }

    // The version keywords sit in the read-only resource, which the RV byte sums to zero.
    SetVpdChecksum(vpd, kVpdLength);
    uint16_t iocStatus = 0;
    uint32_t iocLogInfo = 0;
    if (IocConfigWrite(handle, MPI_CONFIG_ACTION_PAGE_WRITE_NVRAM, kVpdPage, page, sizeof page,
                       &iocStatus, &iocLogInfo) &&
        iocStatus == 0) {
        MessageAt(kLevelReport, "\t\tVPD updated successfully.\n\n ");
    } else {
        MessageAt(kLevelReport, "\t\tProgramming VPD is not supported on this Platform.\n\n ");
    }
    return true;
}
