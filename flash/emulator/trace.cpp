#include "flash/emulator/trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "flash/emulator/error_names.h"

namespace emu {

void TraceLine(std::string_view line) {
    const char* path = std::getenv("TESSEL_EMU_TRACE");
    if (!path || !*path) return;
    // One append per line, so the lines of consecutive runs never interleave mid-line.
    int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    std::string text(line);
    text += '\n';
    ssize_t written = ::write(fd, text.data(), text.size());
    (void)written;  // a lost trace line must not change what the program sees
    ::close(fd);
}

std::string TraceResult(int result) {
    if (result >= 0) return std::to_string(result);
    return "-1 " + std::string(ErrorName(-result));
}

}  // namespace emu
