// PalIocFacts: the controller's IOC facts.

#include "flash/pal/message_exchange.h"
#include "flash/pal/mpi_messages.h"

uint32_t PalIocFacts(uint32_t adapterHandle, void* reply, uint32_t* replySize,
                     PalReplyStatus* status) {
    const auto request = BuildIocFactsRequest();
    PalMessage message;
    message.adapterHandle = adapterHandle;
    message.request = request;
    message.replyLength = kIocFactsReplyLength;
    return PalSendMessage(message, reply, replySize, status);
}
