// The front end's controller requests: each wraps one PAL operation, answers 1 for PAL success
// and 0 otherwise, and hands back the controller's IOCStatus and IOCLogInfo.
#pragma once

#include <cstdint>

#include "flash/pal/mpi.h"

struct IocFactsSummary {
    uint16_t msgVersion;
    uint16_t iocExceptions;
    uint16_t productId;
    uint32_t fwVersion;
    uint8_t numberOfPorts;
};

struct ConfigPageId {
    uint8_t pageType;
    uint8_t pageNumber;
    uint8_t extPageType;  // 0 for ordinary pages
    uint32_t pageAddress;
};

int IocFacts(uint32_t handle, IocFactsSummary* facts, uint16_t* iocStatus, uint32_t* iocLogInfo);
// action: MPI_CONFIG_ACTION_PAGE_READ_CURRENT, _READ_DEFAULT or _READ_NVRAM.
int IocConfigRead(uint32_t handle, uint8_t action, const ConfigPageId& page, void* buffer,
                  uint32_t size, uint16_t* iocStatus, uint32_t* iocLogInfo);
// action: MPI_CONFIG_ACTION_PAGE_WRITE_CURRENT or _WRITE_NVRAM.
int IocConfigWrite(uint32_t handle, uint8_t action, const ConfigPageId& page, const void* buffer,
                   uint32_t size, uint16_t* iocStatus, uint32_t* iocLogInfo);
int IocConfigPageLength(uint32_t handle, const ConfigPageId& page, uint16_t* lengthBytes,
                        uint16_t* iocStatus, uint32_t* iocLogInfo);
int IocFirmwareDownload(uint32_t handle, const void* image, uint32_t size, uint32_t offset,
                        uint8_t imageType, uint8_t lastSegment, uint16_t* iocStatus,
                        uint32_t* iocLogInfo);
int IocFirmwareUpload(uint32_t handle, void* buffer, uint32_t size, uint32_t offset,
                      uint8_t imageType, uint32_t* actualImageSize, uint16_t* iocStatus,
                      uint32_t* iocLogInfo);
// option 1 clears every persistent entry, option 2 those of devices no longer present.
int IocClearPersistentTable(uint32_t handle, uint32_t option, uint16_t* iocStatus,
                            uint32_t* iocLogInfo);
// Records READY for the adapter first: after a reset its firmware has to prove itself again.
int IocHardReset(uint32_t handle);
