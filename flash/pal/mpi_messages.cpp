#include "flash/pal/mpi_messages.h"

#include "common/bytes.h"

namespace {

constexpr size_t kFunctionOffset = 3;

// Firmware download and upload share one layout.
constexpr size_t kFwImageTypeOffset = 0;
constexpr size_t kFwMsgFlagsOffset = 7;
constexpr size_t kFwTceDetailsLengthOffset = 14;  // transaction context element at 12..15
constexpr uint8_t kFwTceDetailsLength = 12;
constexpr size_t kFwImageOffsetOffset = 20;
constexpr size_t kFwImageSizeOffset = 24;

constexpr size_t kConfigActionOffset = 0;
constexpr size_t kConfigExtPageLengthOffset = 4;
constexpr size_t kConfigExtPageTypeOffset = 6;
constexpr size_t kConfigHeaderOffset = 20;
constexpr size_t kConfigPageAddressOffset = 24;

constexpr size_t kSasOperationOffset = 0;
constexpr size_t kSasPhyNumOffset = 14;
constexpr uint8_t kSasOperationsWithPhy[] = {6, 7, 8};

template <size_t N>
std::array<uint8_t, N> FirmwareTransferRequest(uint8_t function, uint8_t imageType,
                                               uint8_t msgFlags, uint32_t imageOffset,
                                               uint32_t imageSize) {
    std::array<uint8_t, N> frame{};
    ByteWriter w(frame.data(), frame.size());
    w.U8(kFwImageTypeOffset, imageType);
    w.U8(kFunctionOffset, function);
    w.U8(kFwMsgFlagsOffset, msgFlags);
    w.U8(kFwTceDetailsLengthOffset, kFwTceDetailsLength);
    w.U32(kFwImageOffsetOffset, imageOffset);
    w.U32(kFwImageSizeOffset, imageSize);
    return frame;
}

}  // namespace

std::array<uint8_t, kIocFactsRequestLength> BuildIocFactsRequest() {
    std::array<uint8_t, kIocFactsRequestLength> frame{};
    ByteWriter(frame.data(), frame.size()).U8(kFunctionOffset, MPI_FUNCTION_IOC_FACTS);
    return frame;
}

std::array<uint8_t, kConfigRequestLength> BuildConfigRequest(const MpiConfigRequest& config) {
    std::array<uint8_t, kConfigRequestLength> frame{};
    ByteWriter w(frame.data(), frame.size());
    w.U8(kConfigActionOffset, config.action);
    w.U8(kFunctionOffset, MPI_FUNCTION_CONFIG);
    w.U16(kConfigExtPageLengthOffset, config.extPageLength);
    w.U8(kConfigExtPageTypeOffset, config.extPageType);
    w.U8(kConfigHeaderOffset + 0, config.header.pageVersion);
    w.U8(kConfigHeaderOffset + 1, config.header.pageLength);
    w.U8(kConfigHeaderOffset + 2, config.header.pageNumber);
    w.U8(kConfigHeaderOffset + 3, config.header.pageType);
    w.U32(kConfigPageAddressOffset, config.pageAddress);
    return frame;
}

std::array<uint8_t, kFirmwareDownloadRequestLength> BuildFirmwareDownloadRequest(
    uint8_t imageType, uint8_t msgFlags, uint32_t imageOffset, uint32_t imageSize) {
    return FirmwareTransferRequest<kFirmwareDownloadRequestLength>(
        MPI_FUNCTION_FW_DOWNLOAD, imageType, msgFlags, imageOffset, imageSize);
}

std::array<uint8_t, kFirmwareUploadRequestLength> BuildFirmwareUploadRequest(uint8_t imageType,
                                                                             uint32_t imageOffset,
                                                                             uint32_t imageSize) {
    return FirmwareTransferRequest<kFirmwareUploadRequestLength>(MPI_FUNCTION_FW_UPLOAD, imageType,
                                                                 0, imageOffset, imageSize);
}

bool SasIoUnitOperationTakesPhy(uint8_t operation) {
    for (uint8_t op : kSasOperationsWithPhy) {
        if (op == operation) return true;
    }
    return false;
}

std::array<uint8_t, kSasIoUnitControlRequestLength> BuildSasIoUnitControlRequest(
    uint8_t operation, uint8_t phyNumber) {
    std::array<uint8_t, kSasIoUnitControlRequestLength> frame{};
    ByteWriter w(frame.data(), frame.size());
    w.U8(kSasOperationOffset, operation);
    w.U8(kFunctionOffset, MPI_FUNCTION_SAS_IO_UNIT_CONTROL);
    if (SasIoUnitOperationTakesPhy(operation)) w.U8(kSasPhyNumOffset, phyNumber);
    return frame;
}
