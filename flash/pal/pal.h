// The platform abstraction layer: the only way the front end reaches a controller. Every operation
// answers a PAL status (PAL_OK on success); a failing driver call is passed on as its own return
// value (-1, that is 0xFFFFFFFF).
#pragma once

#include <cstdint>

enum PalStatus : uint32_t {
    PAL_OK = 0x00,
    PAL_ERR_FAILED = 0x01,
    PAL_ERR_NO_MEMORY = 0x10,
    PAL_ERR_BUFFER_SIZE = 0x11,
    PAL_ERR_INVALID_PARAMETER = 0x12,
    PAL_ERR_NO_DRIVER = 0x20,
    PAL_ERR_INDEX_RANGE = 0x32,
    PAL_ERR_NO_SUCH_ADAPTER = 0x36,
    PAL_ERR_NOT_SUPPORTED = 0x60,
    PAL_ERR_CONFIG_INVALID_ACTION = 0x100,
    PAL_ERR_CONFIG_INVALID_TYPE = 0x101,
    PAL_ERR_CONFIG_INVALID_PAGE = 0x102,
};

constexpr uint32_t kPalRequestSignature = 0x392A8C9F;
constexpr uint32_t kPalRequestSize = 72;
constexpr uint32_t kPalDefaultTimeoutSeconds = 270;
constexpr uint32_t kPalObjectKindAdapter = 0x01000000;

// Access mask `tessel` passes to PalOpen: filtering on, SAS family only.
constexpr uint32_t kPalAccessMaskSas = 0x8100000F;

// Status flag bits of PalRequest and PalReplyStatus.
constexpr uint32_t kPalFlagIocStatus = 0x1;
constexpr uint32_t kPalFlagIocLogInfo = 0x2;

struct AdapterInfo {
    uint32_t handle;
    uint32_t reserved0;
    uint32_t adapterType;
    uint32_t index;
    uint32_t pciDeviceId;
    uint32_t pciRevision;
    uint32_t subsystemDeviceId;
    uint32_t subsystemVendorId;
    uint32_t numDevices;
    uint32_t reserved1;
    uint32_t biosVersion;
    char driverVersion[32];
    uint8_t hostId;
    // Device number in bits 0-4, function in bits 5-7, bus from bit 8.
    uint32_t pciLocation;
    uint32_t adapterWord;
};

// Descriptor of one MPI exchange.
struct PalRequest {
    uint32_t size;  // at least kPalRequestSize
    uint32_t adapterHandle;
    uint32_t signature;
    uint32_t reserved;
    uint32_t statusFlags;  // out
    uint16_t iocStatus;    // out
    uint32_t iocLogInfo;   // out
    uint32_t requestLength;
    const void* request;
    uint32_t dataOutLength;
    const void* dataOut;
    uint32_t replyLength;
    void* reply;
    uint32_t dataInLength;
    void* dataIn;
    uint32_t senseLength;
    void* sense;
    uint32_t timeoutSeconds;  // 0 means kPalDefaultTimeoutSeconds
};

struct PalReplyStatus {
    uint32_t reserved;
    uint32_t statusFlags;
    uint32_t iocStatus;  // low 16 bits used
    uint32_t iocLogInfo;
};

// Configuration access modes.
enum PalConfigMode : uint32_t {
    kPalConfigLengthOnly = 0,
    kPalConfigCurrent = 1,
    kPalConfigDefault = 2,
    kPalConfigNvram = 3,
};

uint32_t PalCreate();
// record[0] holds the record's size in bytes; above 7 the bytes after it get major 0, minor 9,
// build 0.
uint32_t PalGetVersion(uint32_t* record);
uint32_t PalOpen(uint32_t accessMask, uint32_t* adapterCount);
// Takes an index below the adapter count, or an adapter handle (object kind in the top byte).
uint32_t PalGetAdapterInfo(uint32_t indexOrHandle, AdapterInfo* info);
uint32_t PalHardReset(uint32_t adapterHandle);
uint32_t PalIocFacts(uint32_t adapterHandle, void* reply, uint32_t* replySize,
                     PalReplyStatus* status);
uint32_t PalFirmwareDownload(uint32_t adapterHandle, const void* image, uint32_t imageSize,
                             uint32_t imageOffset, uint8_t imageType, uint8_t lastSegment,
                             void* reply, uint32_t* replySize, PalReplyStatus* status);
uint32_t PalFirmwareUpload(uint32_t adapterHandle, void* buffer, uint32_t size,
                           uint32_t imageOffset, uint8_t imageType, void* reply,
                           uint32_t* replySize, PalReplyStatus* status);
// targetHandle may be null (`tessel` never passes one).
uint32_t PalSasIoUnitControl(uint32_t adapterHandle, const uint32_t* targetHandle,
                             uint8_t operation, uint8_t phyNumber, PalReplyStatus* status);
uint32_t PalConfigRead(uint32_t adapterHandle, uint32_t pageAddress, uint8_t pageType,
                       uint8_t pageNumber, uint8_t extPageType, uint32_t mode, void* buffer,
                       uint32_t* size);
uint32_t PalConfigWrite(uint32_t adapterHandle, uint32_t pageAddress, uint8_t pageType,
                        uint8_t pageNumber, uint8_t extPageType, uint32_t mode, const void* buffer,
                        uint32_t* size);
uint32_t PalExchange(PalRequest* request);

// Test support: releases the context, as if PalCreate had never run.
void PalDestroyForTest();
// Test support: the next PalCreate fails with PAL_ERR_NO_MEMORY.
void PalFailNextCreateForTest();
