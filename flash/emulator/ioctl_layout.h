// The control driver's ioctl structures, decoded field by field the way the kernel reads them.
// The layout is chosen by the request number alone: a caller that sends the 64-bit command to a
// 32-bit driver (or the reverse) gets EINVAL, as it would from the kernel of the other width.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "flash/emulator/lab.h"

namespace emu {

constexpr unsigned long kMptIocInfo = 0xC05C6D11;
constexpr unsigned long kMptCommand32 = 0xC0386D14;
constexpr unsigned long kMptCommand64 = 0xC0486D14;
constexpr unsigned long kMptHardReset = 0xC00C6D18;

constexpr size_t kIoctlHeaderBytes = 12;
constexpr size_t kIocInfoBytes = 92;
constexpr size_t kHardResetBytes = 12;
// The largest request frame the controller takes; the driver refuses a longer message.
constexpr size_t kMaxRequestBytes = 128;

struct IoctlHeader {
    uint32_t iocNumber = 0;
    uint32_t port = 0;
    uint32_t maxDataSize = 0;
};

struct CommandFrame {
    IoctlHeader header;
    uint32_t timeout = 0;
    uint8_t* replyBuffer = nullptr;
    uint8_t* dataIn = nullptr;
    const uint8_t* dataOut = nullptr;
    uint32_t maxReplyBytes = 0;
    uint32_t dataInSize = 0;
    uint32_t dataOutSize = 0;
    uint32_t dataSgeOffset = 0;
    // The driver's copy of the request message.
    std::array<uint8_t, kMaxRequestBytes> message{};
    size_t messageLength = 0;  // dataSgeOffset * 4
};

// Whether this build's driver serves the command layout of that request number.
bool IsCommandRequest(unsigned long request);
const char* IoctlName(unsigned long request);

// 0, or the negated errno: EFAULT without a structure, EINVAL for the other width's layout or
// a message length past the request frame.
int DecodeHeader(const void* arg, IoctlHeader* header);
int DecodeCommand(unsigned long request, const void* arg, CommandFrame* frame);

// Fills every field of MPTIOCINFO after the header.
void EncodeIocInfo(const ControllerDescription& description, void* arg);

}  // namespace emu
