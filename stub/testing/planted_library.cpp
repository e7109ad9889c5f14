// A library planted beside a program under the name of one the stub loads from the system
// directory. Being loaded leaves the marker file "MSLS31.loaded" beside it, so a test sees which
// copy the loader took.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    char* slash = std::strrchr(path, '\\');
    const char marker[] = "MSLS31.loaded";
    const size_t directory = slash ? static_cast<size_t>(slash - path + 1) : 0;
    if (directory + sizeof marker > MAX_PATH) return TRUE;
    std::memcpy(path + directory, marker, sizeof marker);
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return TRUE;
}
