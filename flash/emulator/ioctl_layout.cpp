#include "flash/emulator/ioctl_layout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/bytes.h"

namespace emu {
namespace {

struct CommandLayout {
    unsigned long request;
    size_t pointerBytes;
    size_t fixedBytes;  // everything before the message
    size_t timeout;
    size_t replyBuffer;
    size_t dataIn;
    size_t dataOut;
    size_t sense;
    size_t maxReplyBytes;
    size_t dataInSize;
    size_t dataOutSize;
    size_t maxSenseBytes;
    size_t dataSgeOffset;
};

constexpr CommandLayout kCommandLayouts[] = {
    {kMptCommand32, 4, 52, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48},
    {kMptCommand64, 8, 68, 12, 16, 24, 32, 40, 48, 52, 56, 60, 64},
};

const CommandLayout* LayoutFor(unsigned long request) {
    for (const CommandLayout& layout : kCommandLayouts) {
        if (layout.request == request) return &layout;
    }
    return nullptr;
}

uintptr_t ReadPointer(ByteReader& in, size_t offset, size_t width) {
    return static_cast<uintptr_t>(width == 8 ? in.U64(offset) : in.U32(offset));
}

}  // namespace

bool IsCommandRequest(unsigned long request) {
    return LayoutFor(request) != nullptr;
}

const char* IoctlName(unsigned long request) {
    switch (request) {
        case kMptIocInfo:
            return "MPTIOCINFO";
        case kMptHardReset:
            return "MPTHARDRESET";
        case kMptCommand32:
        case kMptCommand64:
            return "MPTCOMMAND";
        default:
            return nullptr;
    }
}

int DecodeHeader(const void* arg, IoctlHeader* header) {
    if (!arg) return -EFAULT;
    ByteReader in(arg, kIoctlHeaderBytes);
    header->iocNumber = in.U32(0);
    header->port = in.U32(4);
    header->maxDataSize = in.U32(8);
    return 0;
}

int DecodeCommand(unsigned long request, const void* arg, CommandFrame* frame) {
    const CommandLayout* layout = LayoutFor(request);
    // Pointers in the structure are addresses of this process, so only the layout of this
    // build's pointer width can be served.
    if (!layout || layout->pointerBytes != sizeof(void*)) return -EINVAL;
    if (int error = DecodeHeader(arg, &frame->header)) return error;
    ByteReader in(arg, layout->fixedBytes);
    size_t width = layout->pointerBytes;
    frame->timeout = in.U32(layout->timeout);
    frame->replyBuffer = reinterpret_cast<uint8_t*>(ReadPointer(in, layout->replyBuffer, width));
    frame->dataIn = reinterpret_cast<uint8_t*>(ReadPointer(in, layout->dataIn, width));
    frame->dataOut = reinterpret_cast<const uint8_t*>(ReadPointer(in, layout->dataOut, width));
    frame->maxReplyBytes = in.U32(layout->maxReplyBytes);
    frame->dataInSize = in.U32(layout->dataInSize);
    frame->dataOutSize = in.U32(layout->dataOutSize);
    frame->dataSgeOffset = in.U32(layout->dataSgeOffset);
    uint64_t messageLength = uint64_t{frame->dataSgeOffset} * 4;
    if (messageLength > kMaxRequestBytes) return -EINVAL;
    frame->messageLength = static_cast<size_t>(messageLength);
    ByteReader whole(arg, layout->fixedBytes + frame->messageLength);
    whole.Copy(layout->fixedBytes, frame->message.data(), frame->messageLength);
    return 0;
}

void EncodeIocInfo(const ControllerDescription& d, void* arg) {
    ByteWriter out(arg, kIocInfoBytes);
    uint8_t cleared[kIocInfoBytes - kIoctlHeaderBytes] = {};
    out.Copy(kIoctlHeaderBytes, cleared, sizeof cleared);
    out.U32(12, d.adapterType);
    out.U32(16, d.port);
    out.U32(20, d.pciDeviceId);
    out.U32(24, d.pciRevision);
    out.U32(28, d.subsystemDeviceId);
    out.U32(32, d.subsystemVendorId);
    out.U32(36, d.numDevices);
    out.U32(40, d.fwVersion);
    out.U32(44, d.biosVersion);
    out.Copy(48, d.driverVersion.data(), std::min<size_t>(d.driverVersion.size(), 31));
    out.U8(80, static_cast<uint8_t>(d.busChangeEvent));
    out.U8(81, static_cast<uint8_t>(d.hostId));
    out.U32(84, (d.pciDevice & 0x1F) | (d.pciFunction & 0x7) << 5 | d.pciBus << 8);
    out.U32(88, d.adapterWord);
}

}  // namespace emu
