#include "jobrunner/win/machine_restart.h"

#include "common/win_handles.h"
#include "jobrunner/text_format.h"

namespace {

bool SetShutdownPrivilege(HANDLE token, bool enabled) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    privileges.Privileges[0].Attributes = enabled ? SE_PRIVILEGE_ENABLED : 0;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    // The call succeeds even when the privilege was not assigned; only the error tells.
    return GetLastError() == ERROR_SUCCESS;
}

}  // namespace

uint32_t RequestMachineRestart() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                          token.out())) {
        return GetLastError();
    }
    if (!SetShutdownPrivilege(token.get(), true)) return GetLastError();

    const BOOL accepted =
        InitiateSystemShutdownExA(nullptr, nullptr, 0, TRUE, TRUE,
                                  SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION |
                                      SHTDN_REASON_FLAG_PLANNED);
    const DWORD error = GetLastError();
    // The log stays as the update manager knows it; a debugger or debug viewer sees the answer.
    OutputDebugStringA(Format("Stepwright: restart requested, accepted %d, error %u\n",
                              accepted ? 1 : 0, static_cast<unsigned>(error))
                           .c_str());
    if (accepted) SetShutdownPrivilege(token.get(), false);
    return GetLastError();
}
