#include "jobrunner/win/agent_service.h"

#include "common/win_handles.h"

namespace {

constexpr const char* kAgentServiceName = "StillForge";
constexpr DWORD kServiceConfigBytes = 512;

template <typename Operation>
uint32_t WithAgentService(Operation operation) {
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return GetLastError();
    ServiceHandle service(OpenServiceA(manager.get(), kAgentServiceName, SERVICE_ALL_ACCESS));
    if (!service) return GetLastError();
    return operation(service.get());
}

}  // namespace

uint32_t StopAgentService() {
    return WithAgentService([](SC_HANDLE service) -> uint32_t {
        SERVICE_STATUS status{};
        return ControlService(service, SERVICE_CONTROL_STOP, &status) ? 0 : GetLastError();
    });
}

uint32_t StartAgentService() {
    return WithAgentService([](SC_HANDLE service) -> uint32_t {
        SERVICE_STATUS status{};
        do {
            Sleep(100);
            if (!QueryServiceStatus(service, &status)) return GetLastError();
        } while (status.dwCurrentState == SERVICE_STOP_PENDING);
        return StartServiceA(service, 0, nullptr) ? 0 : GetLastError();
    });
}

uint32_t CopyAgentProgram(const std::string& file) {
    return WithAgentService([&](SC_HANDLE service) -> uint32_t {
        if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) return 2;
        alignas(QUERY_SERVICE_CONFIGA) BYTE buffer[kServiceConfigBytes];
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
        DWORD needed = 0;
        if (!QueryServiceConfigA(service, config, sizeof buffer, &needed)) return GetLastError();
        // The program path is taken as it stands: quotes or arguments in it are not split off.
        CopyFileA(file.c_str(), config->lpBinaryPathName, FALSE);
        return 0;
    });
}
