// PalExchange: carries one MPI request to a controller in one MPTCOMMAND and examines the reply.

#include <cstdint>
#include <span>

#include "common/bytes.h"
#include "flash/pal/linux/control_device.h"
#include "flash/pal/linux/mpt_ioctl.h"
#include "flash/pal/mpi.h"
#include "flash/pal/pal.h"
#include "flash/pal/pal_context.h"

namespace {

uint64_t Address(const void* pointer) {
    return reinterpret_cast<uintptr_t>(pointer);
}

// Done whatever the driver answered: a controller-side failure still leaves its reply frame.
void ExamineReply(PalRequest& request) {
    ByteReader reply(request.reply, request.replyLength);
    request.statusFlags = 0;
    const uint16_t iocStatus = reply.U16(kMpiReplyIocStatusOffset);
    const uint32_t iocLogInfo = reply.U32(kMpiReplyIocLogInfoOffset);
    if (iocStatus != 0) {
        request.iocStatus = iocStatus;
        request.statusFlags |= kPalFlagIocStatus;
    }
    if (iocLogInfo & MPI_IOCLOGINFO_TYPE_MASK) {
        request.iocLogInfo = iocLogInfo;
        request.statusFlags |= kPalFlagIocLogInfo;
    }
}

}  // namespace

uint32_t PalExchange(PalRequest* request) {
    PalContext* pal = PalCurrentContext();
    if (!pal || !request) return PAL_ERR_FAILED;
    if (request->size < kPalRequestSize) return PAL_ERR_BUFFER_SIZE;
    const PalAdapter* adapter = PalFindAdapter(*pal, request->adapterHandle).adapter;
    if (!adapter) return PAL_ERR_NO_SUCH_ADAPTER;
    if (!request->request && request->requestLength) return PAL_ERR_INVALID_PARAMETER;

    const MptCommandLayout& layout = kMptCommandNative;
    const size_t frameSize = MptCommandSize(layout, request->requestLength);
    const auto frame = PalAllocZeroed(frameSize);
    if (!frame) return PAL_ERR_NO_MEMORY;

    MptCommand command;
    command.header.iocNumber = adapter->iocNumber;
    command.timeoutSeconds =
        request->timeoutSeconds ? request->timeoutSeconds : kPalDefaultTimeoutSeconds;
    command.replyFrameBufPtr = Address(request->reply);
    command.maxReplyBytes = request->replyLength;
    if (request->dataOutLength) {
        command.dataOutBufPtr = Address(request->dataOut);
        command.dataOutSize = request->dataOutLength;
    }
    if (request->dataInLength) {
        command.dataInBufPtr = Address(request->dataIn);
        command.dataInSize = request->dataInLength;
    }
    command.message = {static_cast<const uint8_t*>(request->request), request->requestLength};
    if (!EncodeMptCommand(layout, command, {frame.get(), frameSize})) return PAL_ERR_FAILED;

    const uint32_t status = PalDriverCall(layout.requestNumber, frame.get());
    if (request->reply && request->replyLength > kMpiReplyMinExamined) ExamineReply(*request);
    return status;
}
