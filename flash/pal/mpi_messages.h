// The MPI requests `tessel` sends, built field by field into zero-filled frames. Fields not set
// here are zero, the message context included.
#pragma once

#include <array>
#include <cstdint>

#include "flash/pal/mpi.h"

struct MpiConfigPageHeader {
    uint8_t pageVersion = 0;
    uint8_t pageLength = 0;  // in 32-bit words
    uint8_t pageNumber = 0;
    uint8_t pageType = 0;
};

struct MpiConfigRequest {
    uint8_t action = MPI_CONFIG_ACTION_PAGE_HEADER;
    uint16_t extPageLength = 0;  // in 32-bit words
    uint8_t extPageType = 0;
    MpiConfigPageHeader header;
    uint32_t pageAddress = 0;
};

std::array<uint8_t, kIocFactsRequestLength> BuildIocFactsRequest();
std::array<uint8_t, kConfigRequestLength> BuildConfigRequest(const MpiConfigRequest& config);
std::array<uint8_t, kFirmwareDownloadRequestLength> BuildFirmwareDownloadRequest(
    uint8_t imageType, uint8_t msgFlags, uint32_t imageOffset, uint32_t imageSize);
std::array<uint8_t, kFirmwareUploadRequestLength> BuildFirmwareUploadRequest(uint8_t imageType,
                                                                             uint32_t imageOffset,
                                                                             uint32_t imageSize);
// The PHY number travels only with the operations that address one PHY.
std::array<uint8_t, kSasIoUnitControlRequestLength> BuildSasIoUnitControlRequest(uint8_t operation,
                                                                                 uint8_t phyNumber);
bool SasIoUnitOperationTakesPhy(uint8_t operation);
