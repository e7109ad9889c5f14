#include "flash/pal/message_exchange.h"

#include <algorithm>
#include <cstring>

#include "flash/pal/pal_context.h"

uint32_t PalFailMessage(uint32_t palStatus, uint32_t* replySize) {
    if (replySize) *replySize = 0;
    return palStatus;
}

uint32_t PalSendMessage(const PalMessage& message, void* reply, uint32_t* replySize,
                        PalReplyStatus* status) {
    const auto replyFrame = PalAllocZeroed(message.replyLength);
    if (!replyFrame) return PalFailMessage(PAL_ERR_NO_MEMORY, replySize);

    PalRequest request{};
    request.size = kPalRequestSize;
    request.adapterHandle = message.adapterHandle;
    request.signature = kPalRequestSignature;
    request.requestLength = static_cast<uint32_t>(message.request.size());
    request.request = message.request.data();
    request.dataOutLength = message.dataOutLength;
    request.dataOut = message.dataOut;
    request.replyLength = message.replyLength;
    request.reply = replyFrame.get();
    request.dataInLength = message.dataInLength;
    request.dataIn = message.dataIn;
    request.timeoutSeconds = message.timeoutSeconds;

    const uint32_t palStatus = PalExchange(&request);
    if (palStatus != PAL_OK) return PalFailMessage(palStatus, replySize);

    if (replySize) {
        const uint32_t copied = reply ? std::min(*replySize, message.replyLength) : 0;
        if (copied) std::memcpy(reply, replyFrame.get(), copied);
        *replySize = copied;
    }
    if (status) {
        status->reserved = request.reserved;
        status->statusFlags = request.statusFlags;
        status->iocStatus = request.iocStatus;
        status->iocLogInfo = request.iocLogInfo;
    }
    return PAL_OK;
}
