// A command for jobs: exits with the code given as its first argument (decimal, may be negative
// or beyond 31 bits). With a second argument it first appends its own command line to that file,
// so a test can see which commands ran and in which order.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc > 2) {
        if (FILE* trace = std::fopen(argv[2], "a")) {
            std::fprintf(trace, "%s\n", GetCommandLineA());
            std::fclose(trace);
        }
    }
    const long long code = argc > 1 ? std::strtoll(argv[1], nullptr, 10) : 0;
    ExitProcess(static_cast<UINT>(code));
}
