// Path macros such as "<InstallDir>" or "<UserAppDataDir>" in a package's settings, expanded for
// the machine the agent runs on. The rules live here; what the machine answers comes through
// MacroSource, so the rules run natively and the Windows answers stay in one place.
#pragma once

#include <string>
#include <string_view>

#include "stub/run/local_time.h"

// Registry values the macros read.
enum class MacroRegistryValue {
    kRegisteredOwner,         // HKLM ...\Windows NT\CurrentVersion
    kRegisteredOrganization,  // HKLM ...\Windows NT\CurrentVersion
    kStartMenu,               // HKCU ...\Explorer\Shell Folders
    kFonts,                   // HKCU ...\Explorer\Shell Folders
    kProgramFilesDir,         // HKLM ...\Windows\CurrentVersion
    kCommonFilesDir,          // HKLM ...\Windows\CurrentVersion
};

// Shell folders of the current user and of all users.
enum class MacroFolder {
    kDocuments,
    kAppData,
    kLocalAppData,
    kStartMenu,
    kPrograms,
    kDesktop,
    kCommonAppData,
    kCommonDocuments,
    kCommonStartMenu,
    kCommonPrograms,
    kCommonDesktop,
};

// The installation's directories, from the "Directories" section of the original file.
struct InstallDirectories {
    std::string application;
    std::string common;
    std::string auxiliary;
};

// What the machine answers. Directories come without a trailing backslash; a failed lookup
// gives empty text.
class MacroSource {
  public:
    virtual ~MacroSource() = default;
    virtual LocalTime Now() const = 0;
    virtual std::string MonthName(int month) const = 0;  // 1..12, the long name
    virtual std::string LoggedUserName() const = 0;
    virtual std::string ComputerName() const = 0;
    virtual std::string DomainName() const = 0;
    virtual std::string Registry(MacroRegistryValue value) const = 0;
    virtual std::string Folder(MacroFolder folder) const = 0;
    virtual InstallDirectories Installation() const = 0;
    virtual std::string WindowsDirectory() const = 0;
    virtual std::string SystemDirectory() const = 0;
    virtual std::string TempDirectory() const = 0;
    virtual std::string StubDirectory() const = 0;
    virtual std::string OriginDirectory() const = 0;
    virtual bool DirectoryExists(std::string_view path) const = 0;
    virtual std::string FullPath(std::string_view path) const = 0;
    virtual bool IsLeadByte(unsigned char c) const = 0;
};

// `text` with its macros replaced. `suffix` follows a directory value when more path follows it
// (callers pass "\"); `fullSet` adds the directory macros to the date, name and engine-variable
// ones; `resolveDots` turns paths with ".." into full paths afterwards.
std::string ExpandMacros(std::string_view text, std::string_view suffix, bool resolveDots,
                         bool fullSet, const MacroSource& source);

// The date for "<Date=" code ">", or false for an unknown code.
bool FormatMacroDate(char code, const LocalTime& now, const MacroSource& source, std::string* out);
// Pairs of backslashes reduced to one, keeping a leading network-path pair, a pair that is the
// second byte of a double-byte character, and pairs right after a list's delimiter.
std::string RemoveDoubledBackslashes(std::string_view text, const MacroSource& source);
