#include "flash/pal/testing/fake_kernel.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/bytes.h"

namespace {

FakeKernel* gKernel = nullptr;

// The driver's request numbers, written out here rather than taken from the binding.
constexpr unsigned long kIocInfo = 0xC05C6D11;
constexpr unsigned long kCommand32 = 0xC0386D14;
constexpr unsigned long kCommand64 = 0xC0486D14;
constexpr unsigned long kHardReset = 0xC00C6D18;

const char* const kProcPrefix = "/proc/mpt/ioc";

uint8_t* At(uint64_t address) {
    return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(address));
}

}  // namespace

struct FakeKernelCalls {
    static int Open(const char* path, int flags) { return gKernel->Open(path, flags); }
    static int Close(int fd) { return gKernel->Close(fd); }
    static int Ioctl(int fd, unsigned long request, void* arg) {
        return gKernel->Ioctl(fd, request, arg);
    }
    static int System(const char* command) { return gKernel->System(command); }
    static constexpr SysCalls kCalls{Open, Close, Ioctl, System};
};

FakeKernel::FakeKernel() : responder(ModelController) {
    gKernel = this;
    OverrideSysCalls(&FakeKernelCalls::kCalls);
}

FakeKernel::~FakeKernel() {
    OverrideSysCalls(nullptr);
    gKernel = nullptr;
}

FakeController& FakeKernel::Controller(uint32_t ioc) {
    if (FakeController* found = Find(ioc)) return *found;
    controllers.push_back({});
    controllers.back().ioc = ioc;
    return controllers.back();
}

FakeController* FakeKernel::Find(uint32_t ioc) {
    for (FakeController& controller : controllers) {
        if (controller.ioc == ioc) return &controller;
    }
    return nullptr;
}

size_t FakeKernel::CountLog(const std::string& prefix) const {
    return std::count_if(log.begin(), log.end(),
                         [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

std::vector<std::string> FakeKernel::NodeSearch() const {
    std::vector<std::string> search;
    for (const std::string& line : log) {
        if (line.find(kProcPrefix) != std::string::npos) break;
        search.push_back(line);
    }
    return search;
}

int FakeKernel::Open(const char* path, int flags) {
    const std::string name = path;
    const int mode = flags & O_ACCMODE;
    log.push_back("open " + name +
                  (mode == O_RDWR     ? " O_RDWR"
                   : mode == O_RDONLY ? " O_RDONLY"
                                      : " ?"));
    bool exists = nodes.count(name) > 0;
    if (name.rfind(kProcPrefix, 0) == 0) {
        const std::string number = name.substr(std::strlen(kProcPrefix));
        for (const FakeController& controller : controllers) {
            if (std::to_string(controller.ioc) == number) exists = true;
        }
    }
    if (!exists) {
        errno = ENOENT;
        return -1;
    }
    open_[nextFd_] = name;
    return nextFd_++;
}

int FakeKernel::Close(int fd) {
    log.push_back("close");
    if (open_.erase(fd) == 0) {
        errors.push_back("close of unknown descriptor " + std::to_string(fd));
        errno = EBADF;
        return -1;
    }
    return 0;
}

int FakeKernel::System(const char* command) {
    log.push_back(std::string("system ") + command);
    const auto effect = commandCreates.find(command);
    if (effect != commandCreates.end()) nodes.insert(effect->second);
    return 0;
}

int FakeKernel::Ioctl(int fd, unsigned long request, void* arg) {
    const auto device = open_.find(fd);
    if (device == open_.end() || device->second.rfind("/dev/", 0) != 0) {
        errors.push_back("ioctl on a descriptor that is no control device");
        errno = EBADF;
        return -1;
    }
    if (request == kIocInfo) {
        ByteReader header(arg, 12);
        const uint32_t ioc = header.U32(0);
        log.push_back("ioctl MPTIOCINFO " + std::to_string(ioc));
        infoRequests.emplace_back(static_cast<uint8_t*>(arg), static_cast<uint8_t*>(arg) + 12);
        FakeController* controller = Find(ioc);
        if (!controller || controller->infoFails) {
            errno = ENODEV;
            return -1;
        }
        ByteWriter w(arg, 92);
        w.U32(12, controller->adapterType);
        w.U32(16, 0);
        w.U32(20, controller->pciId);
        w.U32(24, controller->hwRev);
        w.U32(28, controller->subSystemDevice);
        w.U32(32, controller->subSystemVendor);
        w.U32(36, controller->numDevices);
        w.U32(40, controller->fwVersion);
        w.U32(44, controller->biosVersion);
        w.Copy(48, controller->driverVersion.data(),
               std::min<size_t>(32, controller->driverVersion.size()));
        w.U8(80, controller->busChangeEvent);
        w.U8(81, controller->hostId);
        w.U32(84, controller->pciInfo);
        w.U32(88, controller->adapterWord);
        return 0;
    }
    if (request == kHardReset) {
        ByteReader header(arg, 12);
        const uint32_t ioc = header.U32(0);
        log.push_back("ioctl MPTHARDRESET " + std::to_string(ioc));
        hardResets.emplace_back(static_cast<uint8_t*>(arg), static_cast<uint8_t*>(arg) + 12);
        FakeController* controller = Find(ioc);
        if (!controller) {
            errno = ENODEV;
            return -1;
        }
        return controller->hardResetResult;
    }
    if (request == kCommand32 || request == kCommand64) return Command(request, arg);
    errors.push_back("unknown ioctl request " + std::to_string(request));
    errno = ENOTTY;
    return -1;
}

int FakeKernel::Command(unsigned long request, void* arg) {
    const bool wide = request == kCommand64;
    const size_t fixed = wide ? 72 : 56;
    ByteReader head(arg, fixed);
    auto pointer = [&](size_t offset) { return wide ? head.U64(offset) : head.U32(offset); };

    SentCommand sent;
    sent.requestNumber = request;
    sent.ioc = head.U32(0);
    sent.port = head.U32(4);
    sent.maxDataSize = head.U32(8);
    sent.timeout = head.U32(12);
    const uint64_t replyPtr = pointer(16);
    const uint64_t dataInPtr = pointer(wide ? 24 : 20);
    const uint64_t dataOutPtr = pointer(wide ? 32 : 24);
    const uint64_t sensePtr = pointer(wide ? 40 : 28);
    sent.maxReplyBytes = head.U32(wide ? 48 : 32);
    sent.dataInSize = head.U32(wide ? 52 : 36);
    sent.dataOutSize = head.U32(wide ? 56 : 40);
    sent.maxSenseBytes = head.U32(wide ? 60 : 44);
    const size_t messageLength = size_t{head.U32(wide ? 64 : 48)} * 4;
    sent.replyPtrSet = replyPtr != 0;
    sent.dataInPtrSet = dataInPtr != 0;
    sent.dataOutPtrSet = dataOutPtr != 0;
    sent.sensePtrSet = sensePtr != 0;
    // The message starts inside the fixed part: its first word is the structure's last.
    const uint8_t* message = static_cast<const uint8_t*>(arg) + (wide ? 68 : 52);
    sent.message.assign(message, message + messageLength);
    if (dataOutPtr) sent.dataOut.assign(At(dataOutPtr), At(dataOutPtr) + sent.dataOutSize);
    log.push_back("ioctl MPTCOMMAND " + std::to_string(sent.ioc));
    commands.push_back(sent);

    FakeController* controller = Find(sent.ioc);
    if (!controller) {
        errno = ENODEV;
        return -1;
    }
    std::vector<uint8_t> reply;
    std::vector<uint8_t> dataIn;
    const int result = responder(*controller, sent, reply, dataIn);
    const size_t replyBytes = std::min<size_t>(reply.size(), sent.maxReplyBytes);
    if (replyPtr && replyBytes) std::memcpy(At(replyPtr), reply.data(), replyBytes);
    const size_t dataInBytes = std::min<size_t>(dataIn.size(), sent.dataInSize);
    if (dataInPtr && dataInBytes) std::memcpy(At(dataInPtr), dataIn.data(), dataInBytes);
    return result;
}

int ModelController(FakeController& controller, const SentCommand& command,
                    std::vector<uint8_t>& reply, std::vector<uint8_t>& dataIn) {
    ByteReader request(command.message.data(), command.message.size());
    const uint8_t function = request.U8(3);
    size_t replyLength = 20;
    uint16_t iocStatus = 0;
    switch (function) {
        case 0x03:  // IOC facts
            replyLength = 80;
            break;
        case 0x04: {  // configuration
            replyLength = 24;
            const uint8_t action = request.U8(0);
            const uint8_t pageType = request.U8(23);
            const uint8_t pageNumber = request.U8(22);
            const uint8_t extType = pageType == 0x0F ? request.U8(6) : 0;
            const auto page = controller.pages.find({pageType, pageNumber, extType});
            if (page == controller.pages.end()) {
                iocStatus = 0x22;
                break;
            }
            std::vector<uint8_t>* copies[] = {nullptr,
                                              &page->second.current,
                                              &page->second.current,
                                              &page->second.defaults,
                                              &page->second.nvram,
                                              &page->second.defaults,
                                              &page->second.nvram};
            if (action > 6) {
                iocStatus = 0x20;
                break;
            }
            std::vector<uint8_t>& copy = action ? *copies[action] : page->second.current;
            const bool reads = action == 1 || action == 5 || action == 6;
            const bool writes = action == 2 || action == 3 || action == 4;
            if (reads) dataIn = copy;
            if (writes) copy = command.dataOut;
            const size_t words = page->second.current.size() / 4;
            reply.assign(replyLength, 0);
            ByteWriter w(reply.data(), reply.size());
            if (pageType == 0x0F) w.U16(4, static_cast<uint16_t>(words));
            w.U8(20, page->second.version);
            w.U8(21, pageType == 0x0F ? 0 : static_cast<uint8_t>(words));
            w.U8(22, pageNumber);
            w.U8(23, pageType);
            break;
        }
        case 0x09:  // firmware download
            controller.downloadedImage = command.dataOut;
            break;
        case 0x12: {  // firmware upload
            replyLength = 24;
            dataIn = controller.uploadImage;
            reply.assign(replyLength, 0);
            ByteWriter(reply.data(), reply.size())
                .U32(20, static_cast<uint32_t>(controller.uploadImage.size()));
            break;
        }
        default:
            break;
    }
    reply.resize(replyLength);
    ByteWriter w(reply.data(), reply.size());
    w.U8(3, function);
    if (function == 0x03) {
        w.U16(0, controller.msgVersion);
        w.U32(56, controller.fwVersion);
    }
    w.U16(14, controller.replyIocStatus ? controller.replyIocStatus : iocStatus);
    w.U32(16, controller.replyIocLogInfo);
    return controller.commandResult;
}
