// Whether a firmware image is built for the chip and stepping of a controller.
#pragma once

#include <cstdint>

#include "flash/images/firmware_image.h"

// A T470 image with this SeqCodeVersion runs on every T470 revision.
inline constexpr uint32_t kSeqCodeAnyT470Revision = 1;

// Compares the image's SeqCodeVersion with the code the controller expects (ChipCode << 8 |
// stepping code of its PCI revision). Prints why on a mismatch, an unlisted revision or an
// unknown device.
bool MatchChipRevision(FirmwareImage image, uint16_t pciDeviceId, uint8_t pciRevision);
