// A command for jobs: waits the given number of milliseconds, e.g. for a service to finish
// stopping before its program file is replaced.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    Sleep(argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 0);
    return 0;
}
