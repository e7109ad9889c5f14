// "Stepwright.log": appended to, one formatted line at a time, each written through at once.
#pragma once

#include <string>

#include "common/win_handles.h"

class LogFile {
  public:
    // A log that cannot be opened leaves the run silent; nothing else changes.
    void Open(const char* name);
    void Write(const std::string& text);
    void Close() { file_.reset(); }

  private:
    UniqueHandle file_;
};
