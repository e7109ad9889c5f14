#include "stub/win/agent_files.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "stub/package/tg_file_info.h"
#include "stub/run/text_search.h"
#include "stub/win/stub_process.h"

namespace {

constexpr DWORD kValueBuffer = 10241;

}  // namespace

std::string AgentDirectory() {
    return StubDirectory();
}

std::string OriginalFilePath() {
    return AgentDirectory() + "\\" + std::string(FileNamePart(Stub().ownInfo->OriginalFileName()));
}

std::string InfoFilePath() {
    return AgentDirectory() + "\\" + std::string(FileNamePart(Stub().ownInfo->InfoFileName()));
}

std::string XAgentPath() {
    return AgentDirectory() + "\\X_" + std::string(FileNamePart(Stub().ownInfo->AgentExeName()));
}

std::string ProfileText(const std::string& file, const char* section, const char* key,
                        const char* fallback) {
    std::vector<char> value(kValueBuffer);
    const DWORD length =
        GetPrivateProfileStringA(section, key, fallback, value.data(), kValueBuffer, file.c_str());
    return std::string(value.data(), length);
}

int64_t ProfileNumber(const std::string& file, const char* section, const char* key,
                      int64_t fallback) {
    const std::string text(TrimBlanks(ProfileText(file, section, key)));
    if (text.empty()) return fallback;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    return (errno != 0 || end == text.c_str() || *end != '\0') ? fallback : value;
}

bool ProfileFlag(const std::string& file, const char* section, const char* key) {
    return ProfileText(file, section, key) == "1";
}

bool WriteProfileText(const std::string& file, const char* section, const char* key,
                      const std::string& value) {
    return WritePrivateProfileStringA(section, key, value.c_str(), file.c_str()) != 0;
}
