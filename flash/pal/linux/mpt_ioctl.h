// The control driver's ioctl structures as byte layouts, encoded and decoded field by field. The
// command structure holds pointers, so its layout depends on the kernel's pointer width: both
// layouts are described as data and one encoder serves them, so that either can be produced (and
// tested) in any build; kMptCommandNative is the one this build's kernel expects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

constexpr unsigned long MPTIOCINFO = 0xC05C6D11;
constexpr unsigned long MPTHARDRESET = 0xC00C6D18;
constexpr unsigned long MPTCOMMAND32 = 0xC0386D14;
constexpr unsigned long MPTCOMMAND64 = 0xC0486D14;

constexpr size_t kMptIoctlHeaderSize = 12;
constexpr size_t kMptIocInfoSize = 92;
constexpr size_t kMptHardResetSize = 12;
constexpr uint32_t kMptDriverVersionLength = 32;

struct MptIoctlHeader {
    uint32_t iocNumber = 0;
    uint32_t port = 0;
    uint32_t maxDataSize = 0;
};

struct MptIocInfo {
    MptIoctlHeader header;
    uint32_t adapterType = 0;
    uint32_t port = 0;
    uint32_t pciId = 0;
    uint32_t hwRev = 0;
    uint32_t subSystemDevice = 0;
    uint32_t subSystemVendor = 0;
    uint32_t numDevices = 0;
    uint32_t fwVersion = 0;
    uint32_t biosVersion = 0;
    char driverVersion[kMptDriverVersionLength] = {};
    uint8_t busChangeEvent = 0;
    uint8_t hostId = 0;
    // Device number in bits 0-4, function in bits 5-7, bus from bit 8.
    uint32_t pciInfo = 0;
    uint32_t adapterWord = 0;
};

// Where the fields of one pointer width's MPTCOMMAND sit. `fixedSize` is the structure's size and
// its maxDataSize; the request message starts at `message`, inside the fixed part, so a structure
// with an n-byte message is max(fixedSize, message + n) bytes long.
struct MptCommandLayout {
    unsigned long requestNumber;
    size_t fixedSize;
    size_t pointerSize;
    size_t timeout;
    size_t replyFrameBufPtr;
    size_t dataInBufPtr;
    size_t dataOutBufPtr;
    size_t senseDataPtr;
    size_t maxReplyBytes;
    size_t dataInSize;
    size_t dataOutSize;
    size_t maxSenseBytes;
    size_t dataSgeOffset;
    size_t message;
};

inline constexpr MptCommandLayout kMptCommandLayout32{
    .requestNumber = MPTCOMMAND32,
    .fixedSize = 56,
    .pointerSize = 4,
    .timeout = 12,
    .replyFrameBufPtr = 16,
    .dataInBufPtr = 20,
    .dataOutBufPtr = 24,
    .senseDataPtr = 28,
    .maxReplyBytes = 32,
    .dataInSize = 36,
    .dataOutSize = 40,
    .maxSenseBytes = 44,
    .dataSgeOffset = 48,
    .message = 52,
};
inline constexpr MptCommandLayout kMptCommandLayout64{
    .requestNumber = MPTCOMMAND64,
    .fixedSize = 72,
    .pointerSize = 8,
    .timeout = 12,
    .replyFrameBufPtr = 16,
    .dataInBufPtr = 24,
    .dataOutBufPtr = 32,
    .senseDataPtr = 40,
    .maxReplyBytes = 48,
    .dataInSize = 52,
    .dataOutSize = 56,
    .maxSenseBytes = 60,
    .dataSgeOffset = 64,
    .message = 68,
};
inline constexpr const MptCommandLayout& kMptCommandNative =
    sizeof(void*) == 8 ? kMptCommandLayout64 : kMptCommandLayout32;

// One MPI request as the driver receives it. Buffer addresses are plain numbers here so that a
// layout narrower than this build's pointers can still be described.
struct MptCommand {
    MptIoctlHeader header;
    uint32_t timeoutSeconds = 0;
    uint64_t replyFrameBufPtr = 0;
    uint64_t dataInBufPtr = 0;
    uint64_t dataOutBufPtr = 0;
    uint64_t senseDataPtr = 0;
    uint32_t maxReplyBytes = 0;
    uint32_t dataInSize = 0;
    uint32_t dataOutSize = 0;
    uint32_t maxSenseBytes = 0;
    // The request message; dataSgeOffset is derived from its length.
    std::span<const uint8_t> message;
};

void EncodeMptIoctlHeader(const MptIoctlHeader& header, std::span<uint8_t> out);
MptIoctlHeader DecodeMptIoctlHeader(std::span<const uint8_t> in);

// Encodes every field including the header; the caller sets header.maxDataSize.
bool EncodeMptIocInfo(const MptIocInfo& info, std::span<uint8_t> out);
bool DecodeMptIocInfo(std::span<const uint8_t> in, MptIocInfo* info);

bool EncodeMptHardReset(uint32_t iocNumber, std::span<uint8_t> out);

size_t MptCommandSize(const MptCommandLayout& layout, size_t messageLength);
// Fails when `out` is shorter than MptCommandSize or an address does not fit the layout's pointers.
// The header's maxDataSize is always the layout's fixed size.
bool EncodeMptCommand(const MptCommandLayout& layout, const MptCommand& command,
                      std::span<uint8_t> out);
// The message span points into `in`, with the length that dataSgeOffset gives.
bool DecodeMptCommand(const MptCommandLayout& layout, std::span<const uint8_t> in,
                      MptCommand* command);
// The layout an MPTCOMMAND request number announces, or null.
const MptCommandLayout* MptCommandLayoutFor(unsigned long requestNumber);
