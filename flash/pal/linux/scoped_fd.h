// Owns one open descriptor and closes it through the system-call seam, on every path.
#pragma once

#include "flash/pal/linux/sys_calls.h"

class ScopedFd {
  public:
    explicit ScopedFd(int fd) : fd_(fd) {}
    ~ScopedFd() {
        if (fd_ >= 0) ActiveSysCalls().close(fd_);
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;

    bool ok() const { return fd_ >= 0; }
    int get() const { return fd_; }

  private:
    int fd_;
};
