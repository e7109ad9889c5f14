#include "flash/emulator/ioctl_handlers.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "common/bytes.h"
#include "flash/emulator/config_pages.h"
#include "flash/emulator/faults.h"
#include "flash/emulator/flash_regions.h"
#include "flash/emulator/ioctl_layout.h"
#include "flash/emulator/lab_state.h"
#include "flash/emulator/mpi_messages.h"

namespace emu {
namespace {

// Every MPI message starts with a header that ends with the message context.
constexpr size_t kMinRequestBytes = 12;
constexpr size_t kMessageFunction = 3;

Controller* FindController(Lab& lab, const IoctlHeader& header, IoctlRecord* record) {
    record->call += " ioc" + std::to_string(header.iocNumber);
    auto found = lab.controllers.find(header.iocNumber);
    return found == lab.controllers.end() ? nullptr : &found->second;
}

int IocInfo(Lab& lab, void* arg, IoctlRecord* record) {
    IoctlHeader header;
    if (int error = DecodeHeader(arg, &header)) return error;
    Controller* controller = FindController(lab, header, record);
    if (!controller) return -ENODEV;
    if (int error = InjectedIoctlError(controller->description.faults, IoctlKind::kIocInfo)) {
        return -error;
    }
    if (header.maxDataSize != kIocInfoBytes) return -EINVAL;
    ControllerDescription facts = controller->description;
    facts.fwVersion = RunningFirmware(*controller).fwVersion;
    EncodeIocInfo(facts, arg);
    return 0;
}

int HardReset(Lab& lab, void* arg, IoctlRecord* record) {
    IoctlHeader header;
    if (int error = DecodeHeader(arg, &header)) return error;
    Controller* controller = FindController(lab, header, record);
    if (!controller) return -ENODEV;
    ControllerDescription& description = controller->description;
    if (int error = InjectedIoctlError(description.faults, IoctlKind::kHardReset)) return -error;
    if (description.faults.failReset) {
        description.iocState = IocState::kFault;
        SaveControllerState(*controller);
        return -EIO;
    }
    // A chip held in reset has nothing to boot; everything else comes up running.
    if (description.iocState != IocState::kReset) description.iocState = IocState::kOperational;
    bool saved = PromotePendingFirmware(*controller) && ReloadCurrentPagesFromNvram(*controller) &&
                 SaveControllerState(*controller);
    return saved ? 0 : -EIO;
}

int Command(Lab& lab, unsigned long request, void* arg, IoctlRecord* record) {
    CommandFrame frame;
    if (int error = DecodeCommand(request, arg, &frame)) return error;
    Controller* controller = FindController(lab, frame.header, record);
    if (!controller) return -ENODEV;
    ControllerDescription& description = controller->description;
    if (int error = InjectedIoctlError(description.faults, IoctlKind::kCommand)) return -error;
    // The driver refuses requests to an IOC that is not running firmware.
    if (description.iocState == IocState::kFault || description.iocState == IocState::kReset) {
        return -EIO;
    }
    if (frame.messageLength < kMinRequestBytes) return -EINVAL;
    char function[24];
    std::snprintf(function, sizeof function, " function 0x%02x", frame.message[kMessageFunction]);
    record->call += function;
    if ((frame.maxReplyBytes && !frame.replyBuffer) || (frame.dataInSize && !frame.dataIn) ||
        (frame.dataOutSize && !frame.dataOut)) {
        return -EFAULT;
    }
    MpiExchange exchange{ByteReader(frame.message.data(), frame.messageLength),
                         ByteReader(frame.dataOut, frame.dataOutSize),
                         ByteWriter(frame.dataIn, frame.dataInSize)};
    std::string detail;
    int result = HandleMpiRequest(*controller, exchange, &detail);
    if (!detail.empty()) record->call += " " + detail;
    if (result) return result;
    record->iocStatus = exchange.Status();
    ByteWriter(frame.replyBuffer, frame.maxReplyBytes)
        .Copy(0, exchange.reply.data(),
              std::min<size_t>(frame.maxReplyBytes, exchange.replyLength));
    return 0;
}

}  // namespace

int HandleIoctl(Lab& lab, const FdTable& fds, int fd, unsigned long request, void* arg,
                IoctlRecord* record) {
    if (const char* name = IoctlName(request)) {
        record->call = name;
    } else {
        char number[24];
        std::snprintf(number, sizeof number, "0x%08lx", request);
        record->call = number;
    }
    const OpenNode* node = FindOpenNode(fds, fd);
    if (!node) return -EBADF;
    if (node->kind != NodeKind::kControlDevice) return -ENOTTY;
    switch (request) {
        case kMptIocInfo:
            return IocInfo(lab, arg, record);
        case kMptHardReset:
            return HardReset(lab, arg, record);
        default:
            return IsCommandRequest(request) ? Command(lab, request, arg, record) : -ENOTTY;
    }
}

}  // namespace emu
