// Loads libraries the way the stub does, for the library-search tests:
//   wyvern_library_probe startup     restricted search, then the stub's start-up libraries
//   wyvern_library_probe restricted  restricted search, then "MSLS31.dll" by name
//   wyvern_library_probe plain       "MSLS31.dll" by name with the default search
// Prints the path of the "MSLS31.dll" that ended up loaded (or nothing) and ends with 0.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "stub/win/system_libraries.h"

int main(int argc, char** argv) {
    if (argc != 2) return 1;
    const char* mode = argv[1];
    if (std::strcmp(mode, "plain") != 0) RestrictLibrarySearch();
    if (std::strcmp(mode, "startup") == 0) {
        LoadStartupLibraries();
    } else if (std::strcmp(mode, "restricted") == 0 || std::strcmp(mode, "plain") == 0) {
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        LoadLibraryA("MSLS31.dll");
    } else {
        return 1;
    }
    char path[MAX_PATH];
    HMODULE module = GetModuleHandleA("MSLS31.dll");
    const DWORD length = module ? GetModuleFileNameA(module, path, MAX_PATH) : 0;
    if (length > 0 && length < MAX_PATH) std::printf("%s\n", path);
    return 0;
}
