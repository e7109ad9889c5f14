// PalConfigRead and PalConfigWrite: a page header request for the page's length, then the read or
// write of exactly that length.

#include "flash/pal/config_pages.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "flash/pal/message_exchange.h"
#include "flash/pal/pal.h"
#include "flash/pal/pal_context.h"

namespace {

struct IocStatusMapping {
    uint16_t iocStatus;
    uint32_t palStatus;
};
constexpr IocStatusMapping kConfigStatuses[] = {
    {MPI_IOCSTATUS_SUCCESS, PAL_OK},
    {MPI_IOCSTATUS_CONFIG_INVALID_ACTION, PAL_ERR_CONFIG_INVALID_ACTION},
    {MPI_IOCSTATUS_CONFIG_INVALID_TYPE, PAL_ERR_CONFIG_INVALID_TYPE},
    {MPI_IOCSTATUS_CONFIG_INVALID_PAGE, PAL_ERR_CONFIG_INVALID_PAGE},
};

uint32_t ConfigPalStatus(uint16_t iocStatus) {
    for (const IocStatusMapping& mapping : kConfigStatuses) {
        if (mapping.iocStatus == iocStatus) return mapping.palStatus;
    }
    return PAL_ERR_FAILED;
}

// Actions indexed by mode; mode 0 (length only) never reaches a data transfer.
constexpr uint8_t kReadActions[] = {0, MPI_CONFIG_ACTION_PAGE_READ_CURRENT,
                                    MPI_CONFIG_ACTION_PAGE_READ_DEFAULT,
                                    MPI_CONFIG_ACTION_PAGE_READ_NVRAM};
constexpr uint8_t kWriteActions[] = {0, MPI_CONFIG_ACTION_PAGE_WRITE_CURRENT,
                                     MPI_CONFIG_ACTION_PAGE_DEFAULT,
                                     MPI_CONFIG_ACTION_PAGE_WRITE_NVRAM};
constexpr uint32_t kFirstTransferMode = kPalConfigCurrent;
constexpr uint32_t kLastTransferMode = kPalConfigNvram;

bool IsTransferMode(uint32_t mode) {
    return mode >= kFirstTransferMode && mode <= kLastTransferMode;
}

bool ActionReadsPage(uint8_t action) {
    return action == MPI_CONFIG_ACTION_PAGE_READ_CURRENT ||
           action == MPI_CONFIG_ACTION_PAGE_READ_DEFAULT ||
           action == MPI_CONFIG_ACTION_PAGE_READ_NVRAM;
}

// The page as the header request describes it.
struct PageShape {
    MpiConfigPageHeader header;
    uint16_t extPageLength = 0;
    uint32_t lengthBytes = 0;
};

uint32_t QueryPage(uint32_t adapterHandle, uint32_t pageAddress, uint8_t pageType,
                   uint8_t pageNumber, uint8_t extPageType, PageShape* shape) {
    if (pageType == MPI_CONFIG_PAGETYPE_EXTENDED && extPageType == 0) {
        return PAL_ERR_INVALID_PARAMETER;
    }
    shape->header = {0, 0, pageNumber, pageType};
    shape->extPageLength = 0;
    const uint32_t status =
        PalConfigRequest(adapterHandle, MPI_CONFIG_ACTION_PAGE_HEADER, &shape->header, pageAddress,
                         extPageType, &shape->extPageLength, nullptr, 0);
    if (status != PAL_OK) return status;
    shape->lengthBytes = 4u * (pageType == MPI_CONFIG_PAGETYPE_EXTENDED ? shape->extPageLength
                                                                        : shape->header.pageLength);
    return PAL_OK;
}

}  // namespace

uint32_t PalConfigRequest(uint32_t adapterHandle, uint8_t action, MpiConfigPageHeader* header,
                          uint32_t pageAddress, uint8_t extPageType, uint16_t* extPageLength,
                          void* buffer, uint32_t bufferLength) {
    MpiConfigRequest config;
    config.action = action;
    config.header = *header;
    config.pageAddress = pageAddress;
    config.extPageType = extPageType;
    config.extPageLength = *extPageLength;
    const auto request = BuildConfigRequest(config);

    PalMessage message;
    message.adapterHandle = adapterHandle;
    message.request = request;
    message.replyLength = kConfigReplyLength;
    if (action != MPI_CONFIG_ACTION_PAGE_HEADER) {
        if (ActionReadsPage(action)) {
            message.dataIn = buffer;
            message.dataInLength = bufferLength;
        } else {
            message.dataOut = buffer;
            message.dataOutLength = bufferLength;
        }
    }

    uint8_t reply[kConfigReplyLength] = {};
    uint32_t replySize = sizeof reply;
    const uint32_t status = PalSendMessage(message, reply, &replySize, nullptr);
    if (status != PAL_OK) return status;

    ByteReader r(reply, replySize);
    const uint32_t configStatus = ConfigPalStatus(r.U16(kMpiReplyIocStatusOffset));
    if (configStatus != PAL_OK) return configStatus;
    *extPageLength = r.U16(kConfigReplyExtPageLengthOffset);
    header->pageVersion = r.U8(kConfigReplyHeaderOffset + 0);
    header->pageLength = r.U8(kConfigReplyHeaderOffset + 1);
    header->pageNumber = r.U8(kConfigReplyHeaderOffset + 2);
    header->pageType = r.U8(kConfigReplyHeaderOffset + 3);
    return PAL_OK;
}

uint32_t PalConfigRead(uint32_t adapterHandle, uint32_t pageAddress, uint8_t pageType,
                       uint8_t pageNumber, uint8_t extPageType, uint32_t mode, void* buffer,
                       uint32_t* size) {
    if (!size) return PAL_ERR_BUFFER_SIZE;
    PageShape page;
    uint32_t status =
        QueryPage(adapterHandle, pageAddress, pageType, pageNumber, extPageType, &page);
    if (status != PAL_OK) return status;

    if (mode == kPalConfigLengthOnly) {
        *size = page.lengthBytes;
        return PAL_OK;
    }
    if (!buffer || *size == 0) {
        *size = page.lengthBytes;
        return PAL_ERR_BUFFER_SIZE;
    }
    const auto work = PalAllocZeroed(page.lengthBytes);
    if (!work) return PAL_ERR_NO_MEMORY;
    if (!IsTransferMode(mode)) return PAL_ERR_INVALID_PARAMETER;

    status = PalConfigRequest(adapterHandle, kReadActions[mode], &page.header, pageAddress,
                              extPageType, &page.extPageLength, work.get(), page.lengthBytes);
    if (status != PAL_OK) return status;
    std::memcpy(buffer, work.get(), std::min(page.lengthBytes, *size));
    *size = page.lengthBytes;
    return PAL_OK;
}

uint32_t PalConfigWrite(uint32_t adapterHandle, uint32_t pageAddress, uint8_t pageType,
                        uint8_t pageNumber, uint8_t extPageType, uint32_t mode, const void* buffer,
                        uint32_t* size) {
    if (!size) return PAL_ERR_BUFFER_SIZE;
    PageShape page;
    uint32_t status =
        QueryPage(adapterHandle, pageAddress, pageType, pageNumber, extPageType, &page);
    if (status != PAL_OK) return status;

    // Nothing to write from: writing a zeroed page instead would wipe the controller's copy.
    if (!buffer || *size == 0) {
        *size = page.lengthBytes;
        return PAL_ERR_BUFFER_SIZE;
    }
    // The driver sends from a buffer of exactly the page's length, which the caller's need not be.
    const auto work = PalAllocZeroed(page.lengthBytes);
    if (!work) return PAL_ERR_NO_MEMORY;
    std::memcpy(work.get(), buffer, std::min(page.lengthBytes, *size));
    if (!IsTransferMode(mode)) return PAL_ERR_INVALID_PARAMETER;

    return PalConfigRequest(adapterHandle, kWriteActions[mode], &page.header, pageAddress,
                            extPageType, &page.extPageLength, work.get(), page.lengthBytes);
}
