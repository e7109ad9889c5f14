#include "stub/win/stub_process.h"

#include <cstdio>
#include <vector>

#include "stub/run/command_line.h"
#include "stub/win/system_libraries.h"
#include "stub/win/win_files.h"

StubProcess& Stub() {
    static StubProcess process;
    return process;
}

std::unique_ptr<TGFileInfo> LoadPackageInfo(const std::string& path) {
    std::unique_ptr<Win32FileReader> file = Win32FileReader::Open(path);
    return std::make_unique<TGFileInfo>(file.get());
}

bool HasStubSwitch(std::string_view key) {
    return HasSwitch(Stub().parameters, key);
}
std::string StubSwitchValue(std::string_view key) {
    return SwitchValue(Stub().parameters, key);
}
int64_t StubSwitchNumber(std::string_view key, int64_t fallback) {
    return SwitchNumber(Stub().parameters, key, fallback);
}

std::string StubFileName() {
    return std::string(FileNamePart(Stub().stubPath));
}

std::string StubDirectory() {
    const std::string& path = Stub().stubPath;
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string StubFileVersion() {
    // version.dll is loaded from the system directory by name, never imported: an imported one
    // would be searched for beside the stub first.
    using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    HMODULE library = LoadSystemLibrary("version.dll");
    if (!library) return "0.0.0.0";
    const auto size = reinterpret_cast<SizeFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetFileVersionInfoSizeA")));
    const auto read = reinterpret_cast<InfoFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetFileVersionInfoA")));
    const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "VerQueryValueA")));
    std::string text = "0.0.0.0";
    const std::string& path = Stub().stubPath;
    DWORD ignored = 0;
    const DWORD bytes = size && read && query ? size(path.c_str(), &ignored) : 0;
    std::vector<char> data(bytes);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (bytes && read(path.c_str(), 0, bytes, data.data()) &&
        query(data.data(), "\\", reinterpret_cast<void**>(&info), &length) && info) {
        char version[64];
        std::snprintf(
            version, sizeof version, "%u.%u.%u.%u", unsigned{HIWORD(info->dwFileVersionMS)},
            unsigned{LOWORD(info->dwFileVersionMS)}, unsigned{HIWORD(info->dwFileVersionLS)},
            unsigned{LOWORD(info->dwFileVersionLS)});
        text = version;
    }
    FreeLibrary(library);
    return text;
}
