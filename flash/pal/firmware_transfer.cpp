// PalFirmwareDownload and PalFirmwareUpload: one whole transfer per request, gated by the message
// version the controller reported at discovery.

#include "flash/pal/message_exchange.h"
#include "flash/pal/mpi_messages.h"
#include "flash/pal/pal_context.h"

namespace {

// Answers PAL_OK with the adapter's message version, or the status that refuses the transfer.
uint32_t CheckTransferAllowed(uint32_t adapterHandle, uint16_t* msgVersion) {
    PalContext* pal = PalCurrentContext();
    if (!pal) return PAL_ERR_FAILED;
    const PalAdapter* adapter = PalFindAdapter(*pal, adapterHandle).adapter;
    if (!adapter) return PAL_ERR_NO_SUCH_ADAPTER;
    *msgVersion = PalAdapterMsgVersion(*adapter);
    return *msgVersion > kMpiMsgVersionNoFirmwareTransfer ? PAL_OK : PAL_ERR_NOT_SUPPORTED;
}

}  // namespace

uint32_t PalFirmwareDownload(uint32_t adapterHandle, const void* image, uint32_t imageSize,
                             uint32_t imageOffset, uint8_t imageType, uint8_t lastSegment,
                             void* reply, uint32_t* replySize, PalReplyStatus* status) {
    uint16_t msgVersion = 0;
    const uint32_t allowed = CheckTransferAllowed(adapterHandle, &msgVersion);
    if (allowed != PAL_OK) return PalFailMessage(allowed, replySize);

    // Older controllers do not know the flag.
    const uint8_t msgFlags = msgVersion > kMpiMsgVersionNoLastSegmentFlag && lastSegment == 1
                                 ? MPI_FW_DOWNLOAD_MSGFLAGS_LAST_SEGMENT
                                 : 0;
    const auto request = BuildFirmwareDownloadRequest(imageType, msgFlags, imageOffset, imageSize);
    PalMessage message;
    message.adapterHandle = adapterHandle;
    message.request = request;
    message.dataOut = image;
    message.dataOutLength = imageSize;
    message.replyLength = kFirmwareDownloadReplyLength;
    message.timeoutSeconds = kPalDefaultTimeoutSeconds;
    return PalSendMessage(message, reply, replySize, status);
}

uint32_t PalFirmwareUpload(uint32_t adapterHandle, void* buffer, uint32_t size,
                           uint32_t imageOffset, uint8_t imageType, void* reply,
                           uint32_t* replySize, PalReplyStatus* status) {
    uint16_t msgVersion = 0;
    const uint32_t allowed = CheckTransferAllowed(adapterHandle, &msgVersion);
    if (allowed != PAL_OK) return PalFailMessage(allowed, replySize);

    const auto request = BuildFirmwareUploadRequest(imageType, imageOffset, size);
    PalMessage message;
    message.adapterHandle = adapterHandle;
    message.request = request;
    message.dataIn = buffer;
    message.dataInLength = size;
    message.replyLength = kFirmwareUploadReplyLength;
    message.timeoutSeconds = kPalDefaultTimeoutSeconds;
    return PalSendMessage(message, reply, replySize, status);
}
