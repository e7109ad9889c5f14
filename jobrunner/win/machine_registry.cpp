#include "jobrunner/win/machine_registry.h"

#include <algorithm>

#include "common/win_handles.h"

bool IsPreinstallationEnvironment() {
    RegistryKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\MiniNT", 0,
                         KEY_ALL_ACCESS, key.out()) == ERROR_SUCCESS;
}

RegistryText ReadMachineString(const std::string& keyName, const std::string& valueName) {
    RegistryText out;
    RegistryKey key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_QUERY_VALUE, key.out());
    if (rc != ERROR_SUCCESS) {
        rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0,
                           KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.out());
    }
    if (rc != ERROR_SUCCESS) {
        out.stage = RegistryText::Stage::kKeyMissing;
        out.error = static_cast<uint32_t>(rc);
        return out;
    }
    DWORD size = 0;
    rc = RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr, nullptr, &size);
    if (rc != ERROR_SUCCESS) {
        out.stage = RegistryText::Stage::kValueMissing;
        out.error = static_cast<uint32_t>(rc);
        return out;
    }
    std::string text(size, '\0');
    rc = RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr,
                          reinterpret_cast<BYTE*>(text.data()), &size);
    if (rc != ERROR_SUCCESS) {
        out.stage = RegistryText::Stage::kReadFailed;
        out.error = static_cast<uint32_t>(rc);
        return out;
    }
    text.resize(std::min<size_t>(size, text.size()));
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    out.stage = RegistryText::Stage::kRead;
    out.text = text;
    return out;
}
