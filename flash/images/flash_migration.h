// The flash-size tests before a firmware download: a 2 MB-layout image must not reach a 1 MB
// flash, and a controller still on the 1 MB layout is migrated without read-back.
#pragma once

#include <cstdint>

#include "flash/images/firmware_image.h"

enum MigrationResult : int {
    kMigrationRefused = 0,
    kMigrationNeeded = 1,  // 1 MB to 2 MB: the backup region cannot be compared afterwards
    kMigrationNone = 2,
};

// The chip is in RESET: a 2 MB-layout image needs the flash size, which only a firmware download
// boot can give.
bool CheckFlashSizeInReset(FirmwareImage image, uint32_t handle, uint16_t* iocStatus,
                           uint32_t* iocLogInfo);

// The chip runs firmware: compares the image's layout with the running firmware's.
MigrationResult CheckMigration(FirmwareImage image, uint32_t handle, uint16_t* iocStatus,
                               uint32_t* iocLogInfo);
