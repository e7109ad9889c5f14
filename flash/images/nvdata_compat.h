// Whether a firmware image and a parsed NVDATA text belong together.
#pragma once

#include <cstdint>

#include "flash/images/firmware_image.h"

// SAS firmware, a chip family that pairs with the text's DEVICE_ID, and the NVDATA major version
// the firmware was built for; every failed test prints its lines.
bool CheckNvdataCompatibility(FirmwareImage firmware, uint16_t deviceId, uint16_t majorVersion);
