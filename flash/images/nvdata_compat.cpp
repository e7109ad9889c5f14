#include "flash/images/nvdata_compat.h"

#include "flash/frontend/messages.h"

namespace {

struct FamilyRow {
    uint8_t family;
    uint16_t deviceIds[2];  // the same id twice when the family pairs with one
    const char* firmwareLine;
};

constexpr FamilyRow kFamilies[] = {
    {kChipFamilyT410, {0x0050, 0x0050}, "\t\tFirmware File intended for a Kelmar SAS T410.\n"},
    {kChipFamilyT420, {0x0054, 0x0054}, "\t\tFirmware File intended for a Kelmar SAS T420.\n"},
    {kChipFamilyT470, {0x0062, 0x0062}, "\t\tFirmware File intended for a Kelmar SAS T470.\n"},
    {kChipFamilyT4x0E, {0x0056, 0x0058}, "\t\tFirmware File intended for a Kelmar SAS T4x0E.\n"},
};

struct DeviceRow {
    uint16_t deviceId;
    const char* nvdataLine;
};

constexpr DeviceRow kDevices[] = {
    {0x0050, "\t\tNVDATA File intended for a Kelmar SAS T410.\n\n"},
    {0x0054, "\t\tNVDATA File intended for a Kelmar SAS T420.\n\n"},
    {0x0056, "\t\tNVDATA File intended for a Kelmar SAS T410E.\n\n"},
    {0x0058, "\t\tNVDATA File intended for a Kelmar SAS T420E.\n\n"},
    {0x0062, "\t\tNVDATA File intended for a Kelmar SAS T470.\n\n"},
};

const FamilyRow* FindFamily(uint8_t family) {
    for (const FamilyRow& row : kFamilies)
        if (row.family == family) return &row;
    return nullptr;
}

bool ChipPairs(uint16_t productId, uint16_t deviceId) {
    const FamilyRow* row = FindFamily(ChipFamily(productId));
    if (row && (row->deviceIds[0] == deviceId || row->deviceIds[1] == deviceId)) return true;
    MessageAt(kLevelError, "\t\tERROR: NVDATA File and Firmware File incompatible!\n");
    if (row) MessageAt(kLevelError, "%s", row->firmwareLine);
    for (const DeviceRow& device : kDevices)
        if (device.deviceId == deviceId) MessageAt(kLevelError, "%s", device.nvdataLine);
    return false;
}

}  // namespace

bool CheckNvdataCompatibility(FirmwareImage firmware, uint16_t deviceId, uint16_t majorVersion) {
    const uint16_t productId = ImageProductId(firmware);
    bool compatible = true;
    if ((productId >> 12) != kProductProtocolSas) {
        MessageAt(kLevelError, "\t\tERROR: Not a SAS Firmware Image!\n\n");
        compatible = false;
    }
    if (!ChipPairs(productId, deviceId)) compatible = false;
    const uint16_t firmwareVersion = ImageHalf(firmware, kFwNvdataMajorVersionOffset);
    if (firmwareVersion != majorVersion) {
        MessageAt(kLevelError, "\t\tERROR: FW Image is for NVDATA Major Version %04X.\n\n",
                  unsigned(firmwareVersion));
        MessageAt(kLevelError, "\t\tERROR: NVDATA Major Version of NVDATA file is %04X.\n\n",
                  unsigned(majorVersion));
        compatible = false;
    }
    return compatible;
}
