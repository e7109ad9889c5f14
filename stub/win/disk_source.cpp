#include "stub/win/disk_source.h"

#include <cstring>
#include <string_view>

#include "common/win_handles.h"
#include "stub/win/pump.h"
#include "stub/win/temp_dirs.h"
#include "stub/win/win_files.h"

namespace {

UINT& AutoPlayMessage() {
    static UINT id = 0;
    return id;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesNoCase(const std::string& text, size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Lower(text[at + i]) != Lower(word[i])) return false;
    return true;
}

}  // namespace

std::unique_ptr<FileReader> Win32DiskSource::OpenDisk(const std::string& path, unsigned number) {
    if (number <= 1) return Win32FileReader::Open(path);
    RegisterQueryCancelAutoPlay();
    if (forcePrompt_ || !IsExistingFile(path)) {
        EjectMedia(path);
        bool answer = true;
        do {
            answer = ask_(DiskPromptText(prompt_, number));
            PumpWait(500);
        } while (answer && !IsExistingFile(path));
        if (!answer) return nullptr;
    }
    return Win32FileReader::Open(path);
}

std::string DiskPromptText(const std::string& prompt, unsigned number) {
    constexpr std::string_view kMacro = "<DISK_NUM>";
    const std::string digits = std::to_string(number);
    std::string out;
    for (size_t at = 0; at < prompt.size();) {
        if (MatchesNoCase(prompt, at, kMacro)) {
            out += digits;
            at += kMacro.size();
        } else {
            out += prompt[at++];
        }
    }
    return out;
}

UINT RegisterQueryCancelAutoPlay() {
    if (!AutoPlayMessage()) AutoPlayMessage() = RegisterWindowMessageA("QueryCancelAutoPlay");
    return AutoPlayMessage();
}

UINT QueryCancelAutoPlayMessage() {
    return AutoPlayMessage();
}

bool ReadForcePrompt() {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Marrowind\\Wyvern\\SpanDisk", 0, KEY_READ,
                      key.out()) != ERROR_SUCCESS)
        return false;
    char value[16] = {};
    DWORD type = 0;
    DWORD size = sizeof value - 1;
    if (RegQueryValueExA(key.get(), "ForcePrompt", nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    return std::string(value, strnlen(value, size)) == "1";
}
