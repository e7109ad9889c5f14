// Libraries the stub loads by name come from the system directory only: a stub is often started
// from a download folder, where a planted DLL must never be picked up.
#pragma once

#include <windows.h>

// Takes the application directory and the current directory out of the library search path for
// everything loaded later, implicitly or by name. Call first thing at start-up.
void RestrictLibrarySearch();
// Loads `name` from the system directory; null when it is not there. The system's "cannot find
// the file" box is suppressed.
HMODULE LoadSystemLibrary(const char* name);
// The libraries the stub preloads at start-up; missing ones are ignored.
void LoadStartupLibraries();

// Looks up a function of a library loaded by name; null when it is missing.
template <typename Function>
void BindFunction(HMODULE module, Function*& function, const char* name) {
    function =
        module ? reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}
