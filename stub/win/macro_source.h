// The machine's answers to the path macros: system directories, names, registry values and shell
// folders, asked for when a macro needs them.
#pragma once

#include <string>

#include "stub/run/path_macros.h"

class Win32MacroSource : public MacroSource {
  public:
    // `stubPath` is the running stub, `originPath` the "/OriginExe=" value or the stub's path.
    Win32MacroSource(std::string stubPath, std::string originPath, InstallDirectories installation)
        : stubPath_(std::move(stubPath)),
          originPath_(std::move(originPath)),
          installation_(std::move(installation)) {}

    LocalTime Now() const override;
    std::string MonthName(int month) const override;
    std::string LoggedUserName() const override;
    std::string ComputerName() const override;
    std::string DomainName() const override;
    std::string Registry(MacroRegistryValue value) const override;
    std::string Folder(MacroFolder folder) const override;
    InstallDirectories Installation() const override { return installation_; }
    std::string WindowsDirectory() const override;
    std::string SystemDirectory() const override;
    std::string TempDirectory() const override;
    std::string StubDirectory() const override;
    std::string OriginDirectory() const override;
    bool DirectoryExists(std::string_view path) const override;
    std::string FullPath(std::string_view path) const override;
    bool IsLeadByte(unsigned char c) const override;

  private:
    std::string stubPath_;
    std::string originPath_;
    InstallDirectories installation_;
};
