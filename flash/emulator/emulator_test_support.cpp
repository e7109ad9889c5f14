#include "flash/emulator/emulator_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "common/bytes.h"
#include "flash/emulator/emulator.h"
#include "flash/pal/linux/sys_calls.h"

namespace emu_test {
namespace {

constexpr uint8_t kGuardByte = 0xEE;
constexpr size_t kGuardBytes = 32;

struct CommandOffsets {
    unsigned long request;
    size_t pointerBytes, fixedBytes, reply, dataIn, dataOut, maxReply, dataInSize, dataOutSize,
        sgeOffset;
};

// Written from the driver's published layouts, independently of the emulator's own table.
constexpr CommandOffsets k32 = {0xC0386D14, 4, 52, 16, 20, 24, 32, 36, 40, 48};
constexpr CommandOffsets k64 = {0xC0486D14, 8, 68, 16, 24, 32, 48, 52, 56, 64};
constexpr const CommandOffsets& kNative = sizeof(void*) == 8 ? k64 : k32;

void PutPointer(ByteWriter& out, size_t offset, const void* pointer) {
    uint64_t address = reinterpret_cast<uintptr_t>(pointer);
    if (kNative.pointerBytes == 8) {
        out.U64(offset, address);
    } else {
        out.U32(offset, static_cast<uint32_t>(address));
    }
}

bool GuardIntact(const Bytes& buffer, size_t used) {
    for (size_t i = used; i < buffer.size(); ++i) {
        if (buffer[i] != kGuardByte) return false;
    }
    return true;
}

}  // namespace

TempLab::TempLab() {
    std::string pattern = (std::filesystem::temp_directory_path() / "emu-lab-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
    base_ = pattern;
    root_ = base_ / "lab";
    scratch_ = base_ / "scratch";
    std::filesystem::create_directories(root_);
    std::filesystem::create_directories(scratch_);
    ::setenv("TESSEL_LAB", root_.c_str(), 1);
    ::unsetenv("TESSEL_EMU_TRACE");
    EmulatorResetForTest();
}

TempLab::~TempLab() {
    EmulatorResetForTest();
    ::unsetenv("TESSEL_LAB");
    std::error_code ignored;
    std::filesystem::remove_all(base_, ignored);
}

void TempLab::Write(const std::string& relative, std::string_view contents) const {
    std::filesystem::path path = root_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

std::string TempLab::Read(const std::string& relative) const {
    std::ifstream in(root_ / relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TempLab::Exists(const std::string& relative) const {
    return std::filesystem::exists(root_ / relative);
}

void TempLab::Reload() const {
    EmulatorResetForTest();
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    hadValue_ = old != nullptr;
    if (old) saved_ = old;
    if (value) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (hadValue_) {
        ::setenv(name_.c_str(), saved_.c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

std::string HexText(const Bytes& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += digits;
        text += (i % 16 == 15 || i + 1 == bytes.size()) ? "\n" : " ";
    }
    return text;
}

unsigned long NativeCommandRequest() {
    return kNative.request;
}
unsigned long ForeignCommandRequest() {
    return kNative.request == k64.request ? k32.request : k64.request;
}

CallResult ControlIoctl(unsigned long request, void* arg) {
    const SysCalls& sys = PlatformSysCalls();
    int fd = sys.open("/dev/mptctl_sas", O_RDWR);
    EXPECT_GE(fd, 0) << "the lab's driver does not serve /dev/mptctl_sas";
    CallResult outcome;
    outcome.result = sys.ioctl(fd, request, arg);
    outcome.error = outcome.result < 0 ? errno : 0;
    sys.close(fd);
    return outcome;
}

Bytes IocInfoStruct(uint32_t iocNumber, uint32_t maxDataSize) {
    Bytes info(92, 0xA5);
    ByteWriter out(info.data(), info.size());
    out.U32(0, iocNumber);
    out.U32(4, 0);
    out.U32(8, maxDataSize);
    return info;
}

Bytes HardResetStruct(uint32_t iocNumber) {
    Bytes reset(12);
    ByteWriter(reset.data(), reset.size()).U32(0, iocNumber);
    return reset;
}

CommandOutcome SendCommand(const Command& command) {
    Bytes reply(command.replyBytes + kGuardBytes, kGuardByte);
    Bytes dataIn(command.dataInBytes + kGuardBytes, kGuardByte);
    Bytes dataOut = command.dataOut;
    Bytes frame(kNative.fixedBytes + command.message.size());
    ByteWriter out(frame.data(), frame.size());
    out.U32(0, command.iocNumber);
    out.U32(8, static_cast<uint32_t>(kNative.fixedBytes));
    out.U32(12, 270);
    PutPointer(out, kNative.reply, command.nullReply ? nullptr : reply.data());
    PutPointer(out, kNative.dataIn,
               command.nullDataIn || !command.dataInBytes ? nullptr : dataIn.data());
    PutPointer(out, kNative.dataOut, dataOut.empty() ? nullptr : dataOut.data());
    out.U32(kNative.maxReply, static_cast<uint32_t>(command.replyBytes));
    out.U32(kNative.dataInSize, static_cast<uint32_t>(command.dataInBytes));
    out.U32(kNative.dataOutSize, static_cast<uint32_t>(dataOut.size()));
    out.U32(kNative.sgeOffset, command.dataSgeOffset >= 0
                                   ? static_cast<uint32_t>(command.dataSgeOffset)
                                   : static_cast<uint32_t>(command.message.size() / 4));
    out.Copy(kNative.fixedBytes, command.message.data(), command.message.size());

    CommandOutcome outcome;
    outcome.call = ControlIoctl(kNative.request, frame.data());
    EXPECT_TRUE(GuardIntact(reply, command.replyBytes)) << "reply written past maxReplyBytes";
    EXPECT_TRUE(GuardIntact(dataIn, command.dataInBytes)) << "data written past dataInSize";
    EXPECT_EQ(dataOut, command.dataOut) << "the data-out buffer was changed";
    outcome.reply.assign(reply.begin(), reply.begin() + static_cast<long>(command.replyBytes));
    outcome.dataIn.assign(dataIn.begin(), dataIn.begin() + static_cast<long>(command.dataInBytes));
    return outcome;
}

Bytes FactsRequest() {
    Bytes message(12);
    message[3] = 0x03;
    return message;
}

Bytes ConfigRequest(const ConfigFields& f) {
    Bytes message(28);
    ByteWriter out(message.data(), message.size());
    out.U8(0, f.action);
    out.U8(3, 0x04);
    out.U16(4, f.extPageLength);
    out.U8(6, f.extPageType);
    out.U8(20, f.pageVersion);
    out.U8(21, f.pageLength);
    out.U8(22, f.pageNumber);
    out.U8(23, f.pageType);
    out.U32(24, f.pageAddress);
    return message;
}

Bytes FirmwareRequest(uint8_t function, uint8_t imageType, uint32_t offset, uint32_t size,
                      uint8_t msgFlags) {
    Bytes message(28);
    ByteWriter out(message.data(), message.size());
    out.U8(0, imageType);
    out.U8(3, function);
    out.U8(7, msgFlags);
    out.U8(14, 12);  // transaction context element: DetailsLength
    out.U32(20, offset);
    out.U32(24, size);
    return message;
}

Bytes SasIoUnitControlRequest(uint8_t operation, uint8_t phy) {
    Bytes message(32);
    message[0] = operation;
    message[3] = 0x1B;
    message[14] = phy;
    return message;
}

uint16_t ReplyIocStatus(const Bytes& reply) {
    return ByteReader(reply.data(), reply.size()).U16(14);
}

uint32_t ReplyIocLogInfo(const Bytes& reply) {
    return ByteReader(reply.data(), reply.size()).U32(16);
}

}  // namespace emu_test
