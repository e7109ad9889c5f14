#include "stub/win/process_analysis.h"

#include <psapi.h>

#include <algorithm>
#include <vector>

#include "common/win_handles.h"
#include "stub/run/text_search.h"
#include "stub/update/main_window_choice.h"
#include "stub/win/pump.h"
#include "stub/win/system_libraries.h"

namespace {

constexpr size_t kNameLength = 256;
constexpr char kNoShortForm[] = "*XX*";

// The process-status functions, looked up by name once.
struct ProcessStatus {
    bool loaded = false;
    decltype(&EnumProcesses) enumProcesses = nullptr;
    decltype(&EnumProcessModules) enumModules = nullptr;
    decltype(&GetModuleBaseNameA) baseName = nullptr;
    decltype(&GetModuleFileNameExA) fileName = nullptr;
};

const ProcessStatus& Psapi() {
    static ProcessStatus status;
    if (!status.loaded) {
        status.loaded = true;
        if (const HMODULE module = LoadSystemLibrary("PSAPI.dll")) {
            BindFunction(module, status.enumProcesses, "EnumProcesses");
            BindFunction(module, status.enumModules, "EnumProcessModules");
            BindFunction(module, status.baseName, "GetModuleBaseNameA");
            BindFunction(module, status.fileName, "GetModuleFileNameExA");
        }
    }
    return status;
}

std::vector<DWORD> ProcessIds() {
    const ProcessStatus& psapi = Psapi();
    if (!psapi.enumProcesses) return {};
    std::vector<DWORD> ids(256);
    for (;;) {
        DWORD bytes = 0;
        const DWORD capacity = static_cast<DWORD>(ids.size() * sizeof(DWORD));
        if (!psapi.enumProcesses(ids.data(), capacity, &bytes)) return {};
        if (bytes < capacity) {
            ids.resize(bytes / sizeof(DWORD));
            return ids;
        }
        ids.resize(ids.size() + 1024 / sizeof(DWORD));
    }
}

bool SameNoCase(std::string_view a, std::string_view b) {
    a = TrimBlanks(a);
    b = TrimBlanks(b);
    return a.size() == b.size() && FindNoCase(a, b) == 0;
}

// The 8.3 form of a path, or a text that matches nothing real.
std::string ShortForm(const std::string& path) {
    char shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(shortPath, length) : kNoShortForm;
}

bool Matches(DWORD id, const std::string& path, const std::string& pathShort, bool fullPathOnly) {
    const ProcessStatus& psapi = Psapi();
    if (!psapi.enumModules || !psapi.fileName || !psapi.baseName) return false;
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    if (!process) return false;
    HMODULE module = nullptr;
    DWORD needed = 0;
    if (!psapi.enumModules(process.get(), &module, sizeof module, &needed) || !module) return false;
    char full[kNameLength] = {};
    char base[kNameLength] = {};
    const DWORD fullLength = psapi.fileName(process.get(), module, full, kNameLength);
    const DWORD baseLength = psapi.baseName(process.get(), module, base, kNameLength);
    const std::string fullName(full, std::min<size_t>(fullLength, kNameLength));
    const std::string baseName =
        fullPathOnly ? "*X*" : std::string(base, std::min<size_t>(baseLength, kNameLength));
    // Two paths without a short form are not the same file.
    return SameNoCase(path, fullName) || SameNoCase(path, baseName) ||
           (pathShort != kNoShortForm && SameNoCase(ShortForm(fullName), pathShort));
}

// Blanks and one pair of surrounding quotes removed.
std::string Unquoted(std::string_view path) {
    path = TrimBlanks(path);
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = TrimBlanks(path.substr(1, path.size() - 2));
    return std::string(path);
}

struct Collected {
    DWORD processId;
    std::vector<WindowFacts> windows;
};

// The end of the window's chain of owners, whatever the windows' styles; null for an unowned one.
HWND RootOwner(HWND window) {
    HWND root = nullptr;
    for (HWND owner = GetWindow(window, GW_OWNER); owner && owner != window;) {
        root = owner;
        const HWND next = GetWindow(owner, GW_OWNER);
        if (next == owner || next == window) break;
        owner = next;
    }
    return root;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam) {
    auto* collected = reinterpret_cast<Collected*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != collected->processId) return TRUE;
    collected->windows.push_back({reinterpret_cast<uintptr_t>(window),
                                  reinterpret_cast<uintptr_t>(RootOwner(window)),
                                  GetWindowTextLengthA(window) > 0, IsWindowVisible(window) != 0});
    return collected->windows.size() < kMaxProcessWindows;
}

}  // namespace

DWORD FindProcessByPath(const std::string& path, bool fullPathOnly) {
    if (TrimBlanks(path).empty()) return 0;
    const std::string pathShort = ShortForm(std::string(TrimBlanks(path)));
    const std::vector<DWORD> ids = ProcessIds();
    for (auto id = ids.rbegin(); id != ids.rend(); ++id)
        if (*id != 0 && Matches(*id, path, pathShort, fullPathOnly)) return *id;
    return 0;
}

bool IsRunning(const std::string& path) {
    return FindProcessByPath(Unquoted(path), false) != 0;
}

void WaitUntilEnded(const std::string& path, DWORD limitMs) {
    const std::string program = Unquoted(path);
    const ULONGLONG start = GetTickCount64();
    PumpWait(1000);
    const DWORD id = FindProcessByPath(program, false);
    if (id == 0) return;
    for (;;) {
        const std::vector<DWORD> ids = ProcessIds();
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) return;
        if (limitMs != 0 && GetTickCount64() - start > limitMs) return;
        PumpWait(1000);
    }
}

HWND MainWindowOf(const std::string& path, bool fullPathOnly) {
    const DWORD id = FindProcessByPath(path, fullPathOnly);
    if (id == 0) return nullptr;
    Collected collected{id, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&collected));
    const size_t main = ChooseMainWindow(collected.windows);
    return main < collected.windows.size() ? reinterpret_cast<HWND>(collected.windows[main].window)
                                           : nullptr;
}

bool PostToMainWindow(const std::string& path, UINT message, bool fullPathOnly) {
    const HWND main = MainWindowOf(path, fullPathOnly);
    return main && PostMessageA(main, message, 15, 255);
}

bool TerminateByPath(const std::string& path, bool fullPathOnly) {
    const DWORD id = FindProcessByPath(path, fullPathOnly);
    if (id == 0) return false;
    const UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, id));
    return process && TerminateProcess(process.get(), 0);
}
