#include "stub/win/macro_source.h"

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/win_handles.h"
#include "stub/win/start_program.h"
#include "stub/win/system_libraries.h"

namespace {

// Text from an API that fills a buffer and reports the size it needs when the buffer is short.
template <typename Fill>
std::string GrowingText(Fill fill) {
    std::vector<char> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD got = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got == 0) return {};
        if (got < buffer.size()) return std::string(buffer.data(), got);
        buffer.resize(static_cast<size_t>(got) + 1);
    }
    return {};
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

struct RegistryPlace {
    HKEY root;
    const char* key;
    const char* name;
};

RegistryPlace PlaceOf(MacroRegistryValue value) {
    static constexpr char kNtVersion[] = R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion)";
    static constexpr char kVersion[] = R"(SOFTWARE\Microsoft\Windows\CurrentVersion)";
    static constexpr char kShellFolders[] =
        R"(Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders)";
    switch (value) {
        case MacroRegistryValue::kRegisteredOwner:
            return {HKEY_LOCAL_MACHINE, kNtVersion, "RegisteredOwner"};
        case MacroRegistryValue::kRegisteredOrganization:
            return {HKEY_LOCAL_MACHINE, kNtVersion, "RegisteredOrganization"};
        case MacroRegistryValue::kStartMenu:
            return {HKEY_CURRENT_USER, kShellFolders, "Start Menu"};
        case MacroRegistryValue::kFonts:
            return {HKEY_CURRENT_USER, kShellFolders, "Fonts"};
        case MacroRegistryValue::kProgramFilesDir:
            return {HKEY_LOCAL_MACHINE, kVersion, "ProgramFilesDir"};
        case MacroRegistryValue::kCommonFilesDir:
            return {HKEY_LOCAL_MACHINE, kVersion, "CommonFilesDir"};
    }
    return {HKEY_LOCAL_MACHINE, kVersion, ""};
}

// A string value, environment references expanded; empty when it is missing or not text.
std::string RegistryText(const RegistryPlace& place) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(place.root, place.key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return {};
    const RegistryKey key(opened);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), place.name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0 || size > 32768)
        return {};
    std::string text(size, '\0');
    if (RegQueryValueExA(key.get(), place.name, nullptr, &type,
                         reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
        return {};
    text.resize(std::min<size_t>(size, text.size()));
    while (!text.empty() && text.back() == '\0') text.pop_back();
    if (type != REG_EXPAND_SZ) return text;
    return GrowingText([&](char* buffer, DWORD capacity) {
        const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer, capacity);
        // The count includes the terminating zero.
        return needed == 0 ? 0 : (needed <= capacity ? needed - 1 : needed);
    });
}

struct FolderPlace {
    int csidl;
    bool folderPath;  // asked through SHGetFolderPathA, else SHGetSpecialFolderPathA
};

FolderPlace PlaceOf(MacroFolder folder) {
    switch (folder) {
        case MacroFolder::kDocuments:
            return {CSIDL_PERSONAL, true};
        case MacroFolder::kAppData:
            return {CSIDL_APPDATA, true};
        case MacroFolder::kLocalAppData:
            return {CSIDL_LOCAL_APPDATA, true};
        case MacroFolder::kCommonAppData:
            return {CSIDL_COMMON_APPDATA, true};
        case MacroFolder::kCommonDocuments:
            return {CSIDL_COMMON_DOCUMENTS, true};
        case MacroFolder::kStartMenu:
            return {CSIDL_STARTMENU, false};
        case MacroFolder::kPrograms:
            return {CSIDL_PROGRAMS, false};
        case MacroFolder::kDesktop:
            return {CSIDL_DESKTOPDIRECTORY, false};
        case MacroFolder::kCommonStartMenu:
            return {CSIDL_COMMON_STARTMENU, false};
        case MacroFolder::kCommonPrograms:
            return {CSIDL_COMMON_PROGRAMS, false};
        case MacroFolder::kCommonDesktop:
            return {CSIDL_COMMON_DESKTOPDIRECTORY, false};
    }
    return {CSIDL_PERSONAL, true};
}

}  // namespace

LocalTime Win32MacroSource::Now() const {
    return LocalNow();
}

std::string Win32MacroSource::MonthName(int month) const {
    if (month < 1 || month > 12) return {};
    char name[80];
    const int got =
        GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SMONTHNAME1 + month - 1, name, sizeof name);
    return got > 1 ? std::string(name, static_cast<size_t>(got - 1)) : std::string();
}

std::string Win32MacroSource::LoggedUserName() const {
    char name[257];
    DWORD size = sizeof name;
    if (!GetUserNameA(name, &size) || size == 0) return {};
    return std::string(name, size - 1);  // the count includes the terminating zero
}

std::string Win32MacroSource::ComputerName() const {
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string Win32MacroSource::DomainName() const {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
    const UniqueHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0 || size > 4096) return {};
    std::vector<unsigned char> user(size);
    if (!GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) return {};
    char name[257];
    char domain[257];
    DWORD nameSize = sizeof name;
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use;
    if (!LookupAccountSidA(nullptr, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, name,
                           &nameSize, domain, &domainSize, &use))
        return {};
    return std::string(domain, domainSize);
}

std::string Win32MacroSource::Registry(MacroRegistryValue value) const {
    return RegistryText(PlaceOf(value));
}

std::string Win32MacroSource::Folder(MacroFolder folder) const {
    const FolderPlace place = PlaceOf(folder);
    char path[MAX_PATH + 1] = {};
    bool found = false;
    if (place.folderPath) {
        using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
        const LibraryHandle library(LoadSystemLibrary("SHFolder.dll"));
        const auto get = library.get() ? reinterpret_cast<GetFolderPath>(reinterpret_cast<void*>(
                                             GetProcAddress(library.get(), "SHGetFolderPathA")))
                                       : nullptr;
        found = get && SUCCEEDED(get(nullptr, place.csidl | CSIDL_FLAG_CREATE, nullptr, 0, path));
    } else {
        using GetSpecialFolderPath = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);
        const LibraryHandle library(LoadSystemLibrary("shell32.dll"));
        const auto get = library.get()
                             ? reinterpret_cast<GetSpecialFolderPath>(reinterpret_cast<void*>(
                                   GetProcAddress(library.get(), "SHGetSpecialFolderPathA")))
                             : nullptr;
        found = get && get(nullptr, path, place.csidl, FALSE);
    }
    path[MAX_PATH] = '\0';
    return found ? std::string(path) : std::string();
}

std::string Win32MacroSource::WindowsDirectory() const {
    return GrowingText([](char* buffer, DWORD capacity) {
        return static_cast<DWORD>(GetWindowsDirectoryA(buffer, capacity));
    });
}

std::string Win32MacroSource::SystemDirectory() const {
    return GrowingText([](char* buffer, DWORD capacity) {
        return static_cast<DWORD>(GetSystemDirectoryA(buffer, capacity));
    });
}

std::string Win32MacroSource::TempDirectory() const {
    return GrowingText([](char* buffer, DWORD capacity) { return GetTempPathA(capacity, buffer); });
}

std::string Win32MacroSource::StubDirectory() const {
    return DirectoryOf(stubPath_);
}

std::string Win32MacroSource::OriginDirectory() const {
    return DirectoryOf(originPath_);
}

bool Win32MacroSource::DirectoryExists(std::string_view path) const {
    const DWORD attributes = GetFileAttributesA(std::string(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Win32MacroSource::FullPath(std::string_view path) const {
    const std::string text(path);
    const std::string full = GrowingText([&](char* buffer, DWORD capacity) {
        return GetFullPathNameA(text.c_str(), capacity, buffer, nullptr);
    });
    return full.empty() ? text : full;
}

bool Win32MacroSource::IsLeadByte(unsigned char c) const {
    return IsDBCSLeadByte(c) != 0;
}
