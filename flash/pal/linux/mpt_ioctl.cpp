#include "flash/pal/linux/mpt_ioctl.h"

#include <algorithm>

#include "common/bytes.h"

namespace {

constexpr size_t kHeaderIocNumber = 0;
constexpr size_t kHeaderPort = 4;
constexpr size_t kHeaderMaxDataSize = 8;

constexpr size_t kInfoAdapterType = 12;
constexpr size_t kInfoPort = 16;
constexpr size_t kInfoPciId = 20;
constexpr size_t kInfoHwRev = 24;
constexpr size_t kInfoSubSystemDevice = 28;
constexpr size_t kInfoSubSystemVendor = 32;
constexpr size_t kInfoNumDevices = 36;
constexpr size_t kInfoFwVersion = 40;
constexpr size_t kInfoBiosVersion = 44;
constexpr size_t kInfoDriverVersion = 48;
constexpr size_t kInfoBusChangeEvent = 80;
constexpr size_t kInfoHostId = 81;
constexpr size_t kInfoPciInfo = 84;
constexpr size_t kInfoAdapterWord = 88;

void PutHeader(ByteWriter& w, const MptIoctlHeader& header) {
    w.U32(kHeaderIocNumber, header.iocNumber);
    w.U32(kHeaderPort, header.port);
    w.U32(kHeaderMaxDataSize, header.maxDataSize);
}

MptIoctlHeader GetHeader(ByteReader& r) {
    return {r.U32(kHeaderIocNumber), r.U32(kHeaderPort), r.U32(kHeaderMaxDataSize)};
}

bool PutPointer(ByteWriter& w, const MptCommandLayout& layout, size_t offset, uint64_t address) {
    if (layout.pointerSize == 4) {
        if (address > UINT32_MAX) return false;
        w.U32(offset, static_cast<uint32_t>(address));
    } else {
        w.U64(offset, address);
    }
    return true;
}

uint64_t GetPointer(ByteReader& r, const MptCommandLayout& layout, size_t offset) {
    return layout.pointerSize == 4 ? r.U32(offset) : r.U64(offset);
}

}  // namespace

void EncodeMptIoctlHeader(const MptIoctlHeader& header, std::span<uint8_t> out) {
    ByteWriter w(out.data(), out.size());
    PutHeader(w, header);
}

MptIoctlHeader DecodeMptIoctlHeader(std::span<const uint8_t> in) {
    ByteReader r(in.data(), in.size());
    return GetHeader(r);
}

bool EncodeMptIocInfo(const MptIocInfo& info, std::span<uint8_t> out) {
    if (out.size() < kMptIocInfoSize) return false;
    std::fill_n(out.begin(), kMptIocInfoSize, uint8_t{0});
    ByteWriter w(out.data(), kMptIocInfoSize);
    PutHeader(w, info.header);
    w.U32(kInfoAdapterType, info.adapterType);
    w.U32(kInfoPort, info.port);
    w.U32(kInfoPciId, info.pciId);
    w.U32(kInfoHwRev, info.hwRev);
    w.U32(kInfoSubSystemDevice, info.subSystemDevice);
    w.U32(kInfoSubSystemVendor, info.subSystemVendor);
    w.U32(kInfoNumDevices, info.numDevices);
    w.U32(kInfoFwVersion, info.fwVersion);
    w.U32(kInfoBiosVersion, info.biosVersion);
    w.Copy(kInfoDriverVersion, info.driverVersion, kMptDriverVersionLength);
    w.U8(kInfoBusChangeEvent, info.busChangeEvent);
    w.U8(kInfoHostId, info.hostId);
    w.U32(kInfoPciInfo, info.pciInfo);
    w.U32(kInfoAdapterWord, info.adapterWord);
    return w.ok();
}

bool DecodeMptIocInfo(std::span<const uint8_t> in, MptIocInfo* info) {
    if (in.size() < kMptIocInfoSize || !info) return false;
    ByteReader r(in.data(), kMptIocInfoSize);
    info->header = GetHeader(r);
    info->adapterType = r.U32(kInfoAdapterType);
    info->port = r.U32(kInfoPort);
    info->pciId = r.U32(kInfoPciId);
    info->hwRev = r.U32(kInfoHwRev);
    info->subSystemDevice = r.U32(kInfoSubSystemDevice);
    info->subSystemVendor = r.U32(kInfoSubSystemVendor);
    info->numDevices = r.U32(kInfoNumDevices);
    info->fwVersion = r.U32(kInfoFwVersion);
    info->biosVersion = r.U32(kInfoBiosVersion);
    r.Copy(kInfoDriverVersion, info->driverVersion, kMptDriverVersionLength);
    info->busChangeEvent = r.U8(kInfoBusChangeEvent);
    info->hostId = r.U8(kInfoHostId);
    info->pciInfo = r.U32(kInfoPciInfo);
    info->adapterWord = r.U32(kInfoAdapterWord);
    return r.ok();
}

bool EncodeMptHardReset(uint32_t iocNumber, std::span<uint8_t> out) {
    if (out.size() < kMptHardResetSize) return false;
    ByteWriter w(out.data(), kMptHardResetSize);
    // The driver takes a zero maxDataSize here: the structure is the bare header.
    PutHeader(w, {iocNumber, 0, 0});
    return w.ok();
}

size_t MptCommandSize(const MptCommandLayout& layout, size_t messageLength) {
    // The driver copies at least the fixed part, which already holds the message's first word.
    return std::max(layout.fixedSize, layout.message + messageLength);
}

bool EncodeMptCommand(const MptCommandLayout& layout, const MptCommand& command,
                      std::span<uint8_t> out) {
    const size_t size = MptCommandSize(layout, command.message.size());
    if (out.size() < size) return false;
    std::fill_n(out.begin(), size, uint8_t{0});
    ByteWriter w(out.data(), size);
    PutHeader(w, {command.header.iocNumber, command.header.port,
                  static_cast<uint32_t>(layout.fixedSize)});
    w.U32(layout.timeout, command.timeoutSeconds);
    if (!PutPointer(w, layout, layout.replyFrameBufPtr, command.replyFrameBufPtr) ||
        !PutPointer(w, layout, layout.dataInBufPtr, command.dataInBufPtr) ||
        !PutPointer(w, layout, layout.dataOutBufPtr, command.dataOutBufPtr) ||
        !PutPointer(w, layout, layout.senseDataPtr, command.senseDataPtr)) {
        return false;
    }
    w.U32(layout.maxReplyBytes, command.maxReplyBytes);
    w.U32(layout.dataInSize, command.dataInSize);
    w.U32(layout.dataOutSize, command.dataOutSize);
    w.U32(layout.maxSenseBytes, command.maxSenseBytes);
    // The driver appends the data's scatter-gather element right after the message.
    w.U32(layout.dataSgeOffset, static_cast<uint32_t>(command.message.size() / 4));
    w.Copy(layout.message, command.message.data(), command.message.size());
    return w.ok();
}

bool DecodeMptCommand(const MptCommandLayout& layout, std::span<const uint8_t> in,
                      MptCommand* command) {
    if (!command || in.size() < layout.message) return false;
    ByteReader r(in.data(), in.size());
    command->header = GetHeader(r);
    command->timeoutSeconds = r.U32(layout.timeout);
    command->replyFrameBufPtr = GetPointer(r, layout, layout.replyFrameBufPtr);
    command->dataInBufPtr = GetPointer(r, layout, layout.dataInBufPtr);
    command->dataOutBufPtr = GetPointer(r, layout, layout.dataOutBufPtr);
    command->senseDataPtr = GetPointer(r, layout, layout.senseDataPtr);
    command->maxReplyBytes = r.U32(layout.maxReplyBytes);
    command->dataInSize = r.U32(layout.dataInSize);
    command->dataOutSize = r.U32(layout.dataOutSize);
    command->maxSenseBytes = r.U32(layout.maxSenseBytes);
    const size_t messageLength = size_t{r.U32(layout.dataSgeOffset)} * 4;
    if (!r.ok() || !r.Has(layout.message, messageLength)) return false;
    command->message = in.subspan(layout.message, messageLength);
    return true;
}

const MptCommandLayout* MptCommandLayoutFor(unsigned long requestNumber) {
    for (const MptCommandLayout* layout : {&kMptCommandLayout32, &kMptCommandLayout64}) {
        if (layout->requestNumber == requestNumber) return layout;
    }
    return nullptr;
}
