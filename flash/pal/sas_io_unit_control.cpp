// PalSasIoUnitControl: one SAS IO unit control operation.

#include "flash/pal/message_exchange.h"
#include "flash/pal/mpi_messages.h"

namespace {
// An operation this layer refuses to send.
constexpr uint8_t kSasOperationRefused = 9;
}  // namespace

// The request has no field for a target handle, so one passed in is not sent.
uint32_t PalSasIoUnitControl(uint32_t adapterHandle, const uint32_t* /*targetHandle*/,
                             uint8_t operation, uint8_t phyNumber, PalReplyStatus* status) {
    if (operation == kSasOperationRefused) return PAL_ERR_INVALID_PARAMETER;
    const auto request = BuildSasIoUnitControlRequest(operation, phyNumber);
    PalMessage message;
    message.adapterHandle = adapterHandle;
    message.request = request;
    message.replyLength = kSasIoUnitControlReplyLength;
    return PalSendMessage(message, nullptr, nullptr, status);
}
