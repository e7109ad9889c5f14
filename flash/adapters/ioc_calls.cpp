#include "flash/adapters/ioc_calls.h"

#include "common/bytes.h"
#include "flash/adapters/ioc_state.h"
#include "flash/pal/mpi.h"
#include "flash/pal/pal.h"

namespace {

void ClearOutputs(uint16_t* iocStatus, uint32_t* iocLogInfo) {
    if (iocStatus) *iocStatus = 0;
    if (iocLogInfo) *iocLogInfo = 0;
}

void CopyReplyStatus(const PalReplyStatus& status, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    if ((status.statusFlags & kPalFlagIocStatus) && iocStatus)
        *iocStatus = static_cast<uint16_t>(status.iocStatus);
    if ((status.statusFlags & kPalFlagIocLogInfo) && iocLogInfo) *iocLogInfo = status.iocLogInfo;
}

// The controller's "no such action/type/page" answers count as done, with the IOCStatus set, so
// the dispatcher reports them and goes on.
int ConfigOutcome(uint32_t palStatus, uint16_t* iocStatus) {
    switch (palStatus) {
        case PAL_OK:
            return 1;
        case PAL_ERR_CONFIG_INVALID_ACTION:
        case PAL_ERR_CONFIG_INVALID_TYPE:
        case PAL_ERR_CONFIG_INVALID_PAGE:
            if (iocStatus)
                *iocStatus = static_cast<uint16_t>(palStatus - PAL_ERR_CONFIG_INVALID_ACTION +
                                                   MPI_IOCSTATUS_CONFIG_INVALID_ACTION);
            return 1;
        default:
            return 0;
    }
}

}  // namespace

int IocFacts(uint32_t handle, IocFactsSummary* facts, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    ClearOutputs(iocStatus, iocLogInfo);
    uint8_t reply[kIocFactsReplyLength] = {};
    uint32_t replySize = static_cast<uint32_t>(sizeof reply);
    PalReplyStatus status{};
    if (PalIocFacts(handle, reply, &replySize, &status) != PAL_OK) return 0;
    CopyReplyStatus(status, iocStatus, iocLogInfo);
    if (status.statusFlags == 0 && facts) {
        ByteReader r(reply, replySize);
        facts->msgVersion = r.U16(kIocFactsMsgVersionOffset);
        facts->iocExceptions = r.U16(kIocFactsIocExceptionsOffset);
        facts->productId = r.U16(kIocFactsProductIdOffset);
        facts->numberOfPorts = r.U8(kIocFactsNumberOfPortsOffset);
        facts->fwVersion = r.U32(kIocFactsFwVersionOffset);
    }
    return 1;
}

int IocConfigRead(uint32_t handle, uint8_t action, const ConfigPageId& page, void* buffer,
                  uint32_t size, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    ClearOutputs(iocStatus, iocLogInfo);
    uint32_t mode;
    switch (action) {
        case MPI_CONFIG_ACTION_PAGE_READ_CURRENT:
            mode = kPalConfigCurrent;
            break;
        case MPI_CONFIG_ACTION_PAGE_READ_DEFAULT:
            mode = kPalConfigDefault;
            break;
        case MPI_CONFIG_ACTION_PAGE_READ_NVRAM:
            mode = kPalConfigNvram;
            break;
        default:
            return 0;
    }
    uint32_t inOut = size;
    return ConfigOutcome(PalConfigRead(handle, page.pageAddress, page.pageType, page.pageNumber,
                                       page.extPageType, mode, buffer, &inOut),
                         iocStatus);
}

int IocConfigWrite(uint32_t handle, uint8_t action, const ConfigPageId& page, const void* buffer,
                   uint32_t size, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    ClearOutputs(iocStatus, iocLogInfo);
    uint32_t mode;
    switch (action) {
        case MPI_CONFIG_ACTION_PAGE_WRITE_CURRENT:
            mode = kPalConfigCurrent;
            break;
        case MPI_CONFIG_ACTION_PAGE_WRITE_NVRAM:
            mode = kPalConfigNvram;
            break;
        default:
            return 0;
    }
    uint32_t inOut = size;
    return ConfigOutcome(PalConfigWrite(handle, page.pageAddress, page.pageType, page.pageNumber,
                                        page.extPageType, mode, buffer, &inOut),
                         iocStatus);
}

int IocConfigPageLength(uint32_t handle, const ConfigPageId& page, uint16_t* lengthBytes,
                        uint16_t* iocStatus, uint32_t* iocLogInfo) {
    ClearOutputs(iocStatus, iocLogInfo);
    uint32_t length = 0;
    int ok = ConfigOutcome(PalConfigRead(handle, page.pageAddress, page.pageType, page.pageNumber,
                                         page.extPageType, kPalConfigLengthOnly, nullptr, &length),
                           iocStatus);
    if (lengthBytes) *lengthBytes = ok ? static_cast<uint16_t>(length) : 0;
    return ok;
}

int IocFirmwareDownload(uint32_t handle, const void* image, uint32_t size, uint32_t offset,
                        uint8_t imageType, uint8_t lastSegment, uint16_t* iocStatus,
                        uint32_t* iocLogInfo) {
    ClearOutputs(iocStatus, iocLogInfo);
    uint8_t reply[kFirmwareDownloadReplyLength] = {};
    uint32_t replySize = static_cast<uint32_t>(sizeof reply);
    PalReplyStatus status{};
    if (PalFirmwareDownload(handle, image, size, offset, imageType, lastSegment, reply, &replySize,
                            &status) != PAL_OK)
        return 0;
    CopyReplyStatus(status, iocStatus, iocLogInfo);
    return 1;
}

int IocFirmwareUpload(uint32_t handle, void* buffer, uint32_t size, uint32_t offset,
                      uint8_t imageType, uint32_t* actualImageSize, uint16_t* iocStatus,
                      uint32_t* iocLogInfo) {
    ClearOutputs(iocStatus, iocLogInfo);
    if (actualImageSize) *actualImageSize = 0;
    uint8_t reply[kFirmwareUploadReplyLength] = {};
    uint32_t replySize = static_cast<uint32_t>(sizeof reply);
    PalReplyStatus status{};
    if (PalFirmwareUpload(handle, buffer, size, offset, imageType, reply, &replySize, &status) !=
        PAL_OK)
        return 0;
    CopyReplyStatus(status, iocStatus, iocLogInfo);
    if (actualImageSize)
        *actualImageSize = ByteReader(reply, replySize).U32(kFirmwareUploadActualImageSizeOffset);
    return 1;
}

int IocClearPersistentTable(uint32_t handle, uint32_t option, uint16_t* iocStatus,
                            uint32_t* iocLogInfo) {
    ClearOutputs(iocStatus, iocLogInfo);
    uint8_t operation;
    if (option == 1) {
        operation = MPI_SAS_OP_CLEAR_ALL_PERSISTENT;
    } else if (option == 2) {
        operation = MPI_SAS_OP_CLEAR_NOT_PRESENT;
    } else {
        return 0;
    }
    PalReplyStatus status{};
    if (PalSasIoUnitControl(handle, nullptr, operation, 0, &status) != PAL_OK) return 0;
    CopyReplyStatus(status, iocStatus, iocLogInfo);
    return 1;
}

int IocHardReset(uint32_t handle) {
    IocMarkReady(handle);
    return PalHardReset(handle) == PAL_OK ? 1 : 0;
}
