// A recording stand-in for the kernel beneath the system-call seam, for the PAL's tests: device
// nodes that appear when a shell command loads the driver, /proc entries, and a small model of
// controllers behind the control driver. It decodes each ioctl argument the way the driver does,
// with its own offsets, reading the buffer addresses out of the structure bytes and writing the
// reply frame and data through them, so the binding's encoding is what gets tested.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "flash/pal/linux/sys_calls.h"

struct FakePage {
    uint8_t version = 1;
    std::vector<uint8_t> current;  // the length is a multiple of 4
    std::vector<uint8_t> defaults;
    std::vector<uint8_t> nvram;
};

struct FakeController {
    uint32_t ioc = 0;
    // What the adapter-information request reports.
    uint32_t adapterType = 0;
    uint32_t pciId = 0x0054;
    uint32_t hwRev = 0;
    uint32_t subSystemDevice = 0;
    uint32_t subSystemVendor = 0;
    uint32_t numDevices = 0;
    uint32_t fwVersion = 0;
    uint32_t biosVersion = 0;
    std::string driverVersion;
    uint8_t busChangeEvent = 0;
    uint8_t hostId = 0;
    uint32_t pciInfo = 0;
    uint32_t adapterWord = 0;
    bool infoFails = false;

    uint16_t msgVersion = 0x0105;
    // Pages by (page type, page number, extended page type).
    std::map<std::tuple<uint8_t, uint8_t, uint8_t>, FakePage> pages;
    std::vector<uint8_t> uploadImage;
    std::vector<uint8_t> downloadedImage;

    // Injected into every MPI reply, and the MPTCOMMAND result (the reply is written regardless).
    uint16_t replyIocStatus = 0;
    uint32_t replyIocLogInfo = 0;
    int commandResult = 0;
    int hardResetResult = 0;
};

// One MPTCOMMAND as the driver received it.
struct SentCommand {
    unsigned long requestNumber = 0;
    uint32_t ioc = 0;
    uint32_t port = 0;
    uint32_t maxDataSize = 0;
    uint32_t timeout = 0;
    bool replyPtrSet = false;
    bool dataInPtrSet = false;
    bool dataOutPtrSet = false;
    bool sensePtrSet = false;
    uint32_t maxReplyBytes = 0;
    uint32_t dataInSize = 0;
    uint32_t dataOutSize = 0;
    uint32_t maxSenseBytes = 0;
    std::vector<uint8_t> message;
    std::vector<uint8_t> dataOut;
};

class FakeKernel {
  public:
    FakeKernel();  // installs itself as the active system calls
    ~FakeKernel();
    FakeKernel(const FakeKernel&) = delete;
    FakeKernel& operator=(const FakeKernel&) = delete;

    // What exists.
    std::set<std::string> nodes;
    // A shell command and the node it makes appear (absent: the command changes nothing).
    std::map<std::string, std::string> commandCreates;
    std::deque<FakeController> controllers;  // references stay valid as it grows
    FakeController& Controller(uint32_t ioc);

    // What happened: "open <path> <O_RDWR|O_RDONLY>", "system <command>", "ioctl <name> <ioc>",
    // "close", in order. Failed opens are logged too.
    std::vector<std::string> log;
    std::vector<SentCommand> commands;
    std::vector<std::vector<uint8_t>> hardResets;    // the 12 structure bytes of each
    std::vector<std::vector<uint8_t>> infoRequests;  // the 12 header bytes of each
    // Misuse seen: ioctl on a descriptor that is not a device node, double close, and the like.
    std::vector<std::string> errors;
    size_t OpenDescriptors() const { return open_.size(); }
    size_t CountLog(const std::string& prefix) const;
    // The log up to the first /proc probe: the driver search of a discovery.
    std::vector<std::string> NodeSearch() const;

    // Replaces the controller model for MPTCOMMAND; answers the ioctl's result.
    std::function<int(FakeController&, const SentCommand&, std::vector<uint8_t>& reply,
                      std::vector<uint8_t>& dataIn)>
        responder;

  private:
    friend struct FakeKernelCalls;
    int Open(const char* path, int flags);
    int Close(int fd);
    int Ioctl(int fd, unsigned long request, void* arg);
    int System(const char* command);
    int Command(unsigned long request, void* arg);
    FakeController* Find(uint32_t ioc);

    std::map<int, std::string> open_;
    int nextFd_ = 3;
};

// The controller model's answer to one request: IOC facts, configuration pages, firmware
// transfers, SAS IO unit control.
int ModelController(FakeController& controller, const SentCommand& command,
                    std::vector<uint8_t>& reply, std::vector<uint8_t>& dataIn);
