// The common road of the PAL's message operations: wrap a built request in a PalRequest, exchange
// it, and hand the reply and its status back with the in/out reply-size rule.
#pragma once

#include <cstdint>
#include <span>

#include "flash/pal/pal.h"

struct PalMessage {
    uint32_t adapterHandle = 0;
    std::span<const uint8_t> request;
    const void* dataOut = nullptr;
    uint32_t dataOutLength = 0;
    void* dataIn = nullptr;
    uint32_t dataInLength = 0;
    uint32_t replyLength = 0;  // the message's own reply length
    uint32_t timeoutSeconds = 0;
};

// On success copies the smaller of *replySize and the reply length into `reply`, stores that
// count in *replySize and fills `status`; on failure *replySize becomes 0 and `status` is left
// alone. `reply`, `replySize` and `status` may each be null.
uint32_t PalSendMessage(const PalMessage& message, void* reply, uint32_t* replySize,
                        PalReplyStatus* status);

// For operations that fail before anything is sent.
uint32_t PalFailMessage(uint32_t palStatus, uint32_t* replySize);
