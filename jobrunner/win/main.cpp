// Stepwright: runs one update job per start and exits with the status the update manager reads.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "jobrunner/win/run_sequence.h"

int main(int argc, char** argv) {
    // Console lines end in a bare LF like the log's, not in the CR LF of text mode, so scripts
    // that read them see the same bytes on every platform.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return static_cast<int>(RunStepwright(std::vector<std::string>(argv, argv + argc)));
}
