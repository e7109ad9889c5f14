// Test helpers: a throwaway lab directory and the requests a program sends, built byte by byte
// from the published offsets, so that the tests speak to the emulator only through the four
// system calls.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace emu_test {

using Bytes = std::vector<uint8_t>;

// A fresh directory as TESSEL_LAB (existing and empty: a machine without the driver until a
// test writes files into it); removed, and the emulator reset, at the end of the test.
class TempLab {
  public:
    TempLab();
    ~TempLab();
    TempLab(const TempLab&) = delete;
    TempLab& operator=(const TempLab&) = delete;

    const std::filesystem::path& root() const { return root_; }
    // A scratch directory beside the lab, removed with it.
    const std::filesystem::path& scratch() const { return scratch_; }
    void Write(const std::string& relative, std::string_view contents) const;
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    // Forgets the loaded lab, as a new run of the program would.
    void Reload() const;

  private:
    std::filesystem::path base_;
    std::filesystem::path root_;
    std::filesystem::path scratch_;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::string saved_;
    bool hadValue_;
};

std::string HexText(const Bytes& bytes);

// The request number of MPTCOMMAND for this build's pointer width, and the other width's.
unsigned long NativeCommandRequest();
unsigned long ForeignCommandRequest();

struct CallResult {
    int result = 0;
    int error = 0;
};

// Opens /dev/mptctl_sas, issues one ioctl, closes again.
CallResult ControlIoctl(unsigned long request, void* arg);

Bytes IocInfoStruct(uint32_t iocNumber, uint32_t maxDataSize = 92);
Bytes HardResetStruct(uint32_t iocNumber);

struct Command {
    uint32_t iocNumber = 0;
    Bytes message{};
    size_t replyBytes = 0;
    Bytes dataOut{};
    size_t dataInBytes = 0;
    // Override dataSgeOffset (otherwise message length / 4).
    int64_t dataSgeOffset = -1;
    bool nullDataIn = false;
    bool nullReply = false;
};

struct CommandOutcome {
    CallResult call;
    Bytes reply;   // replyBytes long
    Bytes dataIn;  // dataInBytes long
};

// Sends one MPTCOMMAND in this build's layout. Every buffer has guard bytes after the size the
// caller gives; the helper fails the test when the emulator wrote into them.
CommandOutcome SendCommand(const Command& command);

// Request messages with the published field offsets.
Bytes FactsRequest();
struct ConfigFields {
    uint8_t action = 0;
    uint8_t pageType = 0;
    uint8_t pageNumber = 0;
    uint8_t extPageType = 0;
    uint8_t pageVersion = 0;
    uint8_t pageLength = 0;
    uint16_t extPageLength = 0;
    uint32_t pageAddress = 0;
};
Bytes ConfigRequest(const ConfigFields& fields);
Bytes FirmwareRequest(uint8_t function, uint8_t imageType, uint32_t offset, uint32_t size,
                      uint8_t msgFlags = 0);
Bytes SasIoUnitControlRequest(uint8_t operation, uint8_t phy);

uint16_t ReplyIocStatus(const Bytes& reply);
uint32_t ReplyIocLogInfo(const Bytes& reply);

}  // namespace emu_test
