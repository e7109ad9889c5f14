// Controller operations that the Linux driver cannot carry. Each answers as the platform does,
// sends nothing, and leaves the caller to print its not-supported or failure line.
#pragma once

#include <cstdint>

inline constexpr uint16_t kHookStatusNotSupported = 1;

int IocHasNvsram(uint32_t handle);
int IocFirmwareDownloadBoot(uint32_t handle, const void* bootloaderImage, uint32_t size,
                            uint16_t* status);
int IocEraseFlash(uint32_t handle, uint32_t regionMask, uint16_t* status);
int IocReadBootRecord();
int IocSetHostBootRecord();
int IocSetNormalBootRecord();
int IocHostBoot(const void* bootloaderImage, uint32_t bootloaderSize,
                const void* initializationImage, uint32_t initializationSize);
// Last word of the operational check; the Linux driver has nothing to add.
int IocPlatformCheck(uint32_t handle);
