// The three checks of a firmware file before it is flashed: the file itself, its fit to the
// controller's chip, and its fit to the firmware already running there. They only read; each
// prints its own lines and answers false at the first failing test.
#pragma once

#include <cstdint>

#include "flash/images/firmware_image.h"

struct NvdataIdentity {
    uint16_t version;  // high byte: NVDATA major version
    uint8_t vendorId[kNvdataVendorIdSize];
    uint8_t productId[kNvdataProductIdSize];
};

// The tests that need nothing but the file and the controller's PCI identity: signatures, word
// sum, a chain that holds together, chip and revision. Shared by every variant.
bool CheckFirmwareFile(FirmwareImage image, uint16_t pciDeviceId, uint8_t pciRevision);

// ReadNvdataIdentity into one record. Ids stay zero when the second NVDATA signature is missing.
bool ReadIdentity(FirmwareImage image, NvdataIdentity* identity);

// Strict: every mismatch is an error. In all-adapters mode the file must also be newer.
bool ValidateFirmwareImage(const uint8_t* image, uint32_t length, uint32_t handle,
                           uint16_t* iocStatus, uint32_t* iocLogInfo);
// Interactive: a vendor/product mismatch or an IR/IT change is put to the user as a y/n question,
// except in silent mode, where it is an error and nothing is read.
bool ValidateFirmwareImageAdvanced(const uint8_t* image, uint32_t length, uint32_t handle,
                                   uint16_t* iocStatus, uint32_t* iocLogInfo);
// For an older image: no NVDATA version test and no IR/IT comparison.
bool ValidateFirmwareImageDowngrade(const uint8_t* image, uint32_t length, uint32_t handle,
                                    uint16_t* iocStatus, uint32_t* iocLogInfo);
