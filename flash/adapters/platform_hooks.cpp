#include "flash/adapters/platform_hooks.h"

int IocHasNvsram(uint32_t) {
    return 1;
}

int IocFirmwareDownloadBoot(uint32_t, const void*, uint32_t, uint16_t* status) {
    if (status) *status = kHookStatusNotSupported;
    return 1;
}

int IocEraseFlash(uint32_t, uint32_t, uint16_t* status) {
    if (status) *status = kHookStatusNotSupported;
    return 1;
}

// 2: no boot record can be read through this driver.
int IocReadBootRecord() {
    return 2;
}
int IocSetHostBootRecord() {
    return 0;
}
int IocSetNormalBootRecord() {
    return 0;
}
int IocHostBoot(const void*, uint32_t, const void*, uint32_t) {
    return 0;
}
int IocPlatformCheck(uint32_t) {
    return 1;
}
