#include "flash/emulator/mpi_messages.h"

#include <cerrno>
#include <cstdio>

#include "flash/emulator/config_pages.h"
#include "flash/emulator/faults.h"
#include "flash/emulator/flash_regions.h"

namespace emu {
namespace {

constexpr size_t kRequestFunction = 3;
constexpr size_t kRequestMsgContext = 8;
constexpr size_t kReplyMsgLength = 2;
constexpr size_t kReplyFunction = 3;
constexpr size_t kReplyMsgContext = 8;
constexpr size_t kUnknownFunctionReplyBytes = 20;

int HandleIocFacts(Controller& controller, MpiExchange& exchange) {
    const ControllerDescription& d = controller.description;
    const RunningFirmwareIdentity running = RunningFirmware(controller);
    ByteWriter reply = exchange.Reply();
    reply.U16(0, static_cast<uint16_t>(d.msgVersion));
    reply.U16(12, static_cast<uint16_t>(d.iocExceptions));
    reply.U16(30, running.productId);
    reply.U8(38, static_cast<uint8_t>(d.numberOfPorts));
    reply.U32(56, running.fwVersion);
    return 0;
}

// The persistent device table is not modelled: every operation succeeds.
int HandleSasIoUnitControl(Controller&, MpiExchange& exchange) {
    exchange.Reply().U8(0, exchange.request.U8(0));
    return 0;
}

std::string NoDetail(ByteReader) {
    return {};
}

std::string DescribeSasIoUnitControl(ByteReader request) {
    char text[40];
    std::snprintf(text, sizeof text, "operation 0x%02x phy %u", request.U8(0), request.U8(14));
    return text;
}

struct MpiFunction {
    uint8_t code;
    size_t requestBytes;  // the shortest message that holds every field the controller reads
    size_t replyBytes;
    int (*handle)(Controller&, MpiExchange&);
    std::string (*describe)(ByteReader request);
};

constexpr MpiFunction kMpiFunctions[] = {
    {kFunctionIocFacts, 12, 80, HandleIocFacts, NoDetail},
    {kFunctionConfig, 28, 24, HandleConfigRequest, DescribeConfigRequest},
    {kFunctionFwDownload, 28, 20, HandleFirmwareDownload, DescribeFirmwareRequest},
    {kFunctionFwUpload, 28, 24, HandleFirmwareUpload, DescribeFirmwareRequest},
    {kFunctionSasIoUnitControl, 32, 20, HandleSasIoUnitControl, DescribeSasIoUnitControl},
};

const MpiFunction* FindFunction(uint8_t code) {
    for (const MpiFunction& function : kMpiFunctions) {
        if (function.code == code) return &function;
    }
    return nullptr;
}

void BeginReply(MpiExchange& exchange, uint8_t function, size_t replyBytes) {
    exchange.replyLength = replyBytes;
    ByteWriter reply = exchange.Reply();
    reply.U8(kReplyMsgLength, static_cast<uint8_t>(replyBytes / 4));
    reply.U8(kReplyFunction, function);
    reply.U32(kReplyMsgContext, exchange.request.U32(kRequestMsgContext));
}

}  // namespace

int HandleMpiRequest(Controller& controller, MpiExchange& exchange, std::string* detail) {
    ByteReader& request = exchange.request;
    uint8_t code = request.U8(kRequestFunction);
    const MpiFunction* function = FindFunction(code);
    if (!function) {
        BeginReply(exchange, code, kUnknownFunctionReplyBytes);
        exchange.SetStatus(kIocStatusInvalidFunction);
        return 0;
    }
    if (request.size() < function->requestBytes) return -EINVAL;
    *detail = function->describe(request);
    BeginReply(exchange, code, function->replyBytes);

    const ReplyStatusFault* fault = InjectedReplyStatus(controller.description.faults, request);
    if (fault && fault->iocStatus != kIocStatusSuccess) {
        exchange.SetStatus(fault->iocStatus);
        exchange.Reply().U32(kReplyIocLogInfo, fault->iocLogInfo);
        return 0;
    }
    int result = function->handle(controller, exchange);
    if (fault) exchange.Reply().U32(kReplyIocLogInfo, fault->iocLogInfo);
    return result;
}

}  // namespace emu
