#include "jobrunner/basic_parameters.h"

#include <algorithm>
#include <string_view>

bool BasicParameters::AddFileName(const std::string& name) {
    if (fileNames.size() >= kFileTableSize) return false;
    fileNames.push_back(name);
    return true;
}

std::string ExecPathOf(const std::string& argumentFile) {
    const size_t slash = argumentFile.rfind('\\');
    return slash == std::string::npos ? "/tmp" : argumentFile.substr(0, slash);
}

bool IsRunnerFile(const std::string& name) {
    static constexpr std::string_view kRunnerFiles[] = {
        "kd.arg", "Stepwright.log", "Stepwright.exe", "setup.log", "QuillonUnzip.exe"};
    return std::find(std::begin(kRunnerFiles), std::end(kRunnerFiles), name) !=
           std::end(kRunnerFiles);
}

std::optional<std::string> StagingPath(const std::string& directory, const std::string& name) {
    std::string path = directory + "\\" + name;
    if (path.size() > kStagingPathLimit) return std::nullopt;
    return path;
}
