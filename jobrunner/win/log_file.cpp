#include "jobrunner/win/log_file.h"

void LogFile::Open(const char* name) {
    // Shared for writing too: the job's own commands may append to the same log.
    file_.reset(CreateFileA(name, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void LogFile::Write(const std::string& text) {
    if (!file_ || text.empty()) return;
    DWORD written = 0;
    WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
