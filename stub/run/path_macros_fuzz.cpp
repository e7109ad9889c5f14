// Settings text from a package through the macro expansion, against a machine whose answers
// carry backslashes, dots and macro-like text of their own.
#include <cstdint>
#include <string>

#include "stub/run/path_macros.h"

namespace {

struct OddMachine : MacroSource {
    unsigned char leadByte = 0;
    LocalTime Now() const override { return {1999, 12, 31, 23, 59, 59}; }
    std::string MonthName(int) const override { return "<Date=1>"; }
    std::string LoggedUserName() const override { return " <UserName> "; }
    std::string ComputerName() const override { return "\\\\"; }
    std::string DomainName() const override { return ""; }
    std::string Registry(MacroRegistryValue) const override { return "C:\\R\\\\"; }
    std::string Folder(MacroFolder folder) const override {
        return folder == MacroFolder::kDocuments ? "C:\\U\\p\\Docs" : "";
    }
    InstallDirectories Installation() const override {
        return {"C:\\", "\\\\srv\\s\\", "<InstallDir>"};
    }
    std::string WindowsDirectory() const override { return "C:\\Windows\\"; }
    std::string SystemDirectory() const override { return "32"; }
    std::string TempDirectory() const override { return "\\"; }
    std::string StubDirectory() const override { return "D:"; }
    std::string OriginDirectory() const override { return ""; }
    bool DirectoryExists(std::string_view path) const override { return path.size() % 2 == 0; }
    std::string FullPath(std::string_view path) const override { return std::string(path) + "|"; }
    bool IsLeadByte(unsigned char c) const override { return c == leadByte; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    OddMachine machine;
    machine.leadByte = data[0];
    const bool resolveDots = data[1] & 1;
    const bool fullSet = data[1] & 2;
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    const size_t newline = text.find('\n');
    const std::string body = text.substr(0, newline);
    const std::string suffix = newline == std::string::npos ? "\\" : text.substr(newline + 1);
    const std::string out = ExpandMacros(body, suffix, resolveDots, fullSet, machine);
    // Text without macros and dots comes back as it went in.
    if (body.find('<') == std::string::npos && !resolveDots && out != body) __builtin_trap();
    return 0;
}
