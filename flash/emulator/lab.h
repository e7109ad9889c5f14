// The lab: the machine and the controllers that the emulator plays, as described by the files of
// one lab directory (LAB.md). Region contents are not held here; they are read from their files
// only when a request needs them.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace emu {

// The control driver module a machine has.
enum class DriverModule : uint8_t { kNone, kMptctlSas, kMptctl };

struct Machine {
    DriverModule driver = DriverModule::kMptctlSas;
    bool driverLoaded = true;
    // Loading the module makes its node appear in /dev; without it only mknod makes /dev/mptctl.
    bool driverNode = true;
    // State: /dev/mptctl was made by mknod. Nodes survive until the machine restarts.
    bool mptctlNodeMade = false;
    bool failModuleLoad = false;
};

enum class IocState : uint8_t { kOperational, kReady, kFault, kReset };

enum class IoctlKind : uint8_t { kIocInfo, kCommand, kHardReset };

struct IoctlFailure {
    IoctlKind kind;
    int error;
};

// Answers the requests of one MPI function, optionally only those naming one configuration page,
// with a chosen IOCStatus. Status 0 lets the request run and only adds the IOCLogInfo.
struct ReplyStatusFault {
    uint8_t function = 0;
    std::optional<uint8_t> pageType;
    std::optional<uint8_t> pageNumber;
    std::optional<uint8_t> extPageType;
    uint16_t iocStatus = 0;
    uint32_t iocLogInfo = 0;
};

struct Faults {
    std::vector<IoctlFailure> failingIoctls;
    std::vector<ReplyStatusFault> replyStatuses;
    bool downloadWritesNothing = false;
    bool uploadCorrupt = false;
    bool failReset = false;
};

struct ControllerDescription {
    uint32_t pciDeviceId = 0x0058;
    uint32_t pciRevision = 0x02;
    uint32_t subsystemVendorId = 0x1000;
    uint32_t subsystemDeviceId = 0x3050;
    uint32_t pciBus = 0;
    uint32_t pciDevice = 0;
    uint32_t pciFunction = 0;
    uint32_t adapterType = 0;
    uint32_t port = 0;
    uint32_t numDevices = 0;
    uint32_t hostId = 0;
    uint32_t biosVersion = 0;
    uint32_t busChangeEvent = 0;
    uint32_t adapterWord = 0;
    std::string driverVersion = "3.04.20";
    uint32_t msgVersion = 0x0105;
    uint32_t productId = 0x2204;
    uint32_t fwVersion = 0x01200000;
    uint32_t numberOfPorts = 1;
    uint32_t iocExceptions = 0;
    uint32_t flashSize = 0x200000;
    std::vector<uint8_t> phyLinkRates;
    IocState iocState = IocState::kOperational;
    // State: a firmware download waits in the backup region for the next hard reset.
    bool pendingFirmware = false;
    Faults faults;
};

// Extended pages (type 0x0F) are told apart by extType; standard pages have extType 0.
struct PageKey {
    uint8_t type = 0;
    uint8_t extType = 0;
    uint8_t number = 0;
    auto operator<=>(const PageKey&) const = default;
};

enum class PageCopy : uint8_t { kCurrent, kNvram, kDefault };
constexpr size_t kPageCopies = 3;

struct Page {
    std::array<std::optional<std::vector<uint8_t>>, kPageCopies> copies;
    std::optional<std::vector<uint8_t>>& operator[](PageCopy copy) {
        return copies[static_cast<size_t>(copy)];
    }
    const std::optional<std::vector<uint8_t>>& operator[](PageCopy copy) const {
        return copies[static_cast<size_t>(copy)];
    }
};

struct Controller {
    unsigned iocNumber = 0;
    std::filesystem::path dir;
    ControllerDescription description;
    std::map<PageKey, Page> pages;
};

struct Lab {
    std::filesystem::path root;
    Machine machine;
    std::map<unsigned, Controller> controllers;
};

constexpr uint8_t kExtendedPageType = 0x0F;
constexpr unsigned kMaxIocNumber = 255;

}  // namespace emu
