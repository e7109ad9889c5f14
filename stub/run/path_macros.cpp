#include "stub/run/path_macros.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <optional>

#include "stub/package/delimited_list.h"
#include "stub/run/text_search.h"

namespace {

enum class Value {
    kEmpty,
    kApplication,
    kCommon,
    kAuxiliary,
    kWindows,
    kSystem,
    kSystem16,
    kApplicationDrive,
    kWindowsDrive,
    kSystemDrive,
    kOriginDrive,
    kApplicationDisk,
    kWindowsDisk,
    kSystemDisk,
    kOriginDisk,
    kStartMenuSetting,
    kProgramFiles,
    kCommonFiles,
    kFonts,
    kStub,
    kOrigin,
    kTemp,
    kUser,
    kDocumentsAndSettings,
    kUserAppData,
    kUserLocalAppData,
    kMyDocuments,
    kUserStartMenu,
    kUserPrograms,
    kUserDesktop,
    kAllUsers,
    kAllUsersAppData,
    kAllUsersDocuments,
    kAllUsersStartMenu,
    kAllUsersPrograms,
    kAllUsersDesktop,
};

struct DirectoryRow {
    std::initializer_list<const char*> names;
    Value value;
    // Dropped (replaced by empty text) when an earlier directory row already matched.
    bool onlyWithoutEarlierMatch = false;
};

// In the order they are replaced. The three "<Install...Dir>" names follow the rows whose match
// makes them empty.
const DirectoryRow kDirectoryRows[] = {
    {{"<UnInstallExePath>"}, Value::kEmpty},
    {{"<RunTimeDir_1>", "<RunTimeDir_2>", "<RunTimeDir_3>", "<RunTimeDir_4>", "<RunTimeDir_5>",
      "<RunTimeDir_6>", "<RunTimeDir_7>", "<RunTimeDir_8>"},
     Value::kEmpty},
    {{"<Application Folder>"}, Value::kApplication},
    {{"<Common Folder>"}, Value::kCommon},
    {{"<Auxiliary Folder>"}, Value::kAuxiliary},
    {{"<AbsoluteDir>"}, Value::kEmpty},
    {{"<Windows Directory>", "<WinDir>"}, Value::kWindows},
    {{"<System Directory>", "<WinSysDir>", "<WinSys32Dir>"}, Value::kSystem},
    {{"<System16 Directory>", "<WinSys16Dir>"}, Value::kSystem16},
    {{"<InstallDir>"}, Value::kApplication, true},
    {{"<InstallCommonDir>"}, Value::kCommon, true},
    {{"<InstallAuxDir>"}, Value::kAuxiliary, true},
    {{"<InstallDrive>"}, Value::kApplicationDrive},
    {{"<WinDrive>"}, Value::kWindowsDrive},
    {{"<WinSysDrive>"}, Value::kSystemDrive},
    {{"<OriginDrive>"}, Value::kOriginDrive},
    {{"<InstallDisk>"}, Value::kApplicationDisk},
    {{"<WinDisk>"}, Value::kWindowsDisk},
    {{"<WinSysDisk>"}, Value::kSystemDisk},
    {{"<OriginDisk>"}, Value::kOriginDisk},
    {{"<StartMenuDir>"}, Value::kStartMenuSetting},
    {{"<ProgramFilesDir>"}, Value::kProgramFiles},
    {{"<CommonFilesDir>"}, Value::kCommonFiles},
    {{"<FontDir>"}, Value::kFonts},
    {{"<SrcDir>", "<ServiceDir>"}, Value::kStub},
    {{"<OriginDir>"}, Value::kOrigin},
    {{"<TempDir>"}, Value::kTemp},
    {{"<UserDir>"}, Value::kUser},
    {{"<DocumentsAndSettingsDir>"}, Value::kDocumentsAndSettings},
    {{"<UserAppDataDir>"}, Value::kUserAppData},
    {{"<UserLocalAppDataDir>"}, Value::kUserLocalAppData},
    {{"<MyDocumentsDir>"}, Value::kMyDocuments},
    {{"<UserStartMenuDir>"}, Value::kUserStartMenu},
    {{"<UserStartProgramMenuDir>"}, Value::kUserPrograms},
    {{"<UserDesktopDir>"}, Value::kUserDesktop},
    {{"<AllUsersDir>"}, Value::kAllUsers},
    {{"<AllUsersAppDataDir>"}, Value::kAllUsersAppData},
    {{"<AllUsersDocumentsDir>"}, Value::kAllUsersDocuments},
    {{"<AllUsersStartMenuDir>"}, Value::kAllUsersStartMenu},
    {{"<AllUsersStartProgramMenuDir>"}, Value::kAllUsersPrograms},
    {{"<AllUsersDesktopDir>"}, Value::kAllUsersDesktop},
};

// Installer-engine variables the stub has no source for.
constexpr const char* kEngineVariables[] = {
    "<EnteredUserName>",         "<EnteredCompanyName>", "<EnteredSerialNum>",
    "<EnteredStartProgramMenu>", "<VendorCompanyName>",  "<ProjectName>",
    "<ProgramDescriptiveName>",  "<ProgramVersion>",     "<SelectedLanguage>",
};

// A directory as a value: without a trailing backslash, except a drive root ("C:\").
std::string Directory(std::string path) {
    while (path.size() > 1 && path.back() == '\\' && !(path.size() == 3 && path[1] == ':'))
        path.pop_back();
    return path;
}

std::string ParentOf(std::string_view path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string_view::npos ? std::string() : Directory(std::string(path, 0, slash));
}

std::string Join(std::string_view directory, std::string_view rest) {
    return directory.empty() ? std::string() : std::string(directory) + "\\" + std::string(rest);
}

std::string Or(std::string value, std::string fallback) {
    return value.empty() ? fallback : value;
}

// The parent `levels` up of the documents folder, or the profile fallbacks.
std::string UserDirectory(const MacroSource& source, int levels) {
    std::string up = Directory(source.Folder(MacroFolder::kDocuments));
    for (int i = 0; i < levels && !up.empty(); ++i) up = ParentOf(up);
    if (!up.empty() && source.DirectoryExists(up)) return up;
    const std::string windows = Directory(source.WindowsDirectory());
    const std::string profile =
        Join(Join(windows, "Profiles"), TrimBlanks(source.LoggedUserName()));
    if (!profile.empty() && source.DirectoryExists(profile)) return profile;
    return windows;
}

std::string AllUsersDirectory(const MacroSource& source) {
    return Or(ParentOf(Directory(source.Folder(MacroFolder::kCommonAppData))),
              Directory(source.WindowsDirectory()));
}

std::string FolderOr(const MacroSource& source, MacroFolder folder, std::string fallback) {
    return Or(Directory(source.Folder(folder)), std::move(fallback));
}

std::string System16Directory(const MacroSource& source) {
    const std::string system = Directory(source.SystemDirectory());
    const size_t digits = system.rfind("32");
    if (digits != std::string::npos) {
        const std::string without = system.substr(0, digits) + system.substr(digits + 2);
        if (source.DirectoryExists(without)) return without;
    }
    const std::string legacy = Join(Directory(source.WindowsDirectory()), "System");
    if (!legacy.empty() && source.DirectoryExists(legacy)) return legacy;
    return system;
}

std::string DirectoryValue(Value value, const MacroSource& source) {
    switch (value) {
        case Value::kEmpty:
            return {};
        case Value::kApplication:
            return Directory(source.Installation().application);
        case Value::kCommon:
            return Directory(source.Installation().common);
        case Value::kAuxiliary:
            return Directory(source.Installation().auxiliary);
        case Value::kWindows:
            return Directory(source.WindowsDirectory());
        case Value::kSystem:
            return Directory(source.SystemDirectory());
        case Value::kSystem16:
            return System16Directory(source);
        case Value::kApplicationDrive:
            return source.Installation().application.substr(0, 3);
        case Value::kWindowsDrive:
            return source.WindowsDirectory().substr(0, 3);
        case Value::kSystemDrive:
            return source.SystemDirectory().substr(0, 3);
        case Value::kOriginDrive:
            return source.OriginDirectory().substr(0, 3);
        case Value::kApplicationDisk:
            return source.Installation().application.substr(0, 2);
        case Value::kWindowsDisk:
            return source.WindowsDirectory().substr(0, 2);
        case Value::kSystemDisk:
            return source.SystemDirectory().substr(0, 2);
        case Value::kOriginDisk:
            return source.OriginDirectory().substr(0, 2);
        case Value::kStartMenuSetting:
            return Directory(source.Registry(MacroRegistryValue::kStartMenu));
        case Value::kProgramFiles:
            return Directory(source.Registry(MacroRegistryValue::kProgramFilesDir));
        case Value::kCommonFiles:
            return Directory(source.Registry(MacroRegistryValue::kCommonFilesDir));
        case Value::kFonts: {
            const std::string fonts = Directory(source.Registry(MacroRegistryValue::kFonts));
            if (!fonts.empty() && source.DirectoryExists(fonts)) return fonts;
            return Join(Directory(source.WindowsDirectory()), "Fonts");
        }
        case Value::kStub:
            return Directory(source.StubDirectory());
        case Value::kOrigin:
            return Directory(source.OriginDirectory());
        case Value::kTemp:
            return Directory(source.TempDirectory());
        case Value::kUser:
            return UserDirectory(source, 1);
        case Value::kDocumentsAndSettings:
            return UserDirectory(source, 2);
        case Value::kUserAppData:
            return FolderOr(source, MacroFolder::kAppData,
                            Join(UserDirectory(source, 1), "Application Data"));
        case Value::kUserLocalAppData:
            return FolderOr(source, MacroFolder::kLocalAppData,
                            Join(UserDirectory(source, 1), "Application Data"));
        case Value::kMyDocuments:
            return FolderOr(source, MacroFolder::kDocuments,
                            Join(UserDirectory(source, 1), "My Documents"));
        case Value::kUserStartMenu:
            return FolderOr(source, MacroFolder::kStartMenu,
                            Join(UserDirectory(source, 1), "Start Menu"));
        case Value::kUserPrograms:
            return FolderOr(source, MacroFolder::kPrograms,
                            Join(UserDirectory(source, 1), "Start Menu\\Programs"));
        case Value::kUserDesktop:
            return FolderOr(source, MacroFolder::kDesktop,
                            Join(UserDirectory(source, 1), "Desktop"));
        case Value::kAllUsers:
            return AllUsersDirectory(source);
        case Value::kAllUsersAppData:
            return FolderOr(source, MacroFolder::kCommonAppData,
                            Join(Directory(source.WindowsDirectory()), "Application Data"));
        case Value::kAllUsersDocuments:
            return FolderOr(source, MacroFolder::kCommonDocuments,
                            Join(Directory(source.WindowsDirectory()), "Documents"));
        case Value::kAllUsersStartMenu:
            return FolderOr(source, MacroFolder::kCommonStartMenu,
                            Join(AllUsersDirectory(source), "Start Menu"));
        case Value::kAllUsersPrograms:
            return FolderOr(source, MacroFolder::kCommonPrograms,
                            Join(AllUsersDirectory(source), "Start Menu\\Programs"));
        case Value::kAllUsersDesktop:
            return FolderOr(source, MacroFolder::kCommonDesktop,
                            Join(AllUsersDirectory(source), "Desktop"));
    }
    return {};
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The delimiter of the list the whole text forms, or 0.
char ListDelimiter(std::string_view text) {
    if (text.size() < 2 || text.front() != text.back()) return 0;
    const char delimiter = text.front();
    return delimiter == '<' || IsLetter(delimiter) ? 0 : delimiter;
}

// Every occurrence of `name` replaced by `value`; the value is looked up only when needed.
template <typename Lookup>
bool ReplaceEvery(std::string& text, std::string_view name, Lookup lookup) {
    size_t at = FindNoCase(text, name);
    if (at == std::string::npos) return false;
    const std::string value = lookup();
    while (at != std::string::npos) {
        text.replace(at, name.size(), value);
        at = FindNoCase(text, name, at + value.size());
    }
    return true;
}

// Like ReplaceEvery, with `suffix` after the directory wherever more path follows the macro.
bool ReplaceDirectory(std::string& text, std::string_view name, std::string_view suffix,
                      const std::string& directory) {
    size_t at = FindNoCase(text, name);
    if (at == std::string::npos) return false;
    while (at != std::string::npos) {
        const size_t after = at + name.size();
        const char delimiter = ListDelimiter(text);
        const bool bare = directory.empty() || after == text.size() || text[after] == ' ' ||
                          (delimiter != 0 && text[after] == delimiter);
        const std::string value = bare ? directory : directory + std::string(suffix);
        text.replace(at, name.size(), value);
        at = FindNoCase(text, name, at + value.size());
    }
    return true;
}

std::string Digits(int value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    return buffer;
}

bool IsDots(std::string_view text) {
    return text.find("\\..") != std::string_view::npos ||
           text.find("..\\") != std::string_view::npos;
}

std::string ResolveDots(const std::string& text, const MacroSource& source) {
    if (!IsDots(text)) return text;
    const char delimiter = text.size() >= 2 && text.front() == text.back() ? text.front() : 0;
    if (delimiter != ',' && delimiter != '|') return source.FullPath(text);
    const DelimitedList list(text);
    std::string out(1, delimiter);
    for (size_t i = 0; i < list.ItemCount(); ++i) {
        const std::string item = list.ItemAt(i);
        out += IsDots(item) ? source.FullPath(item) : item;
        out += delimiter;
    }
    return out;
}

}  // namespace

bool FormatMacroDate(char code, const LocalTime& now, const MacroSource& source, std::string* out) {
    const std::string dd = Digits(now.day, 2), mm = Digits(now.month, 2);
    const std::string yy = Digits(now.year % 100, 2), yyyy = Digits(now.year, 4);
    switch (code) {
        case '#':
            *out = dd + "/" + source.MonthName(now.month) + "/" + yyyy;
            return true;
        case '0': {
            const double days = static_cast<double>(DaysFromCivil(now.year, now.month, now.day) -
                                                    DaysFromCivil(2000, 1, 1)) +
                                (now.hour * 3600 + now.minute * 60 + now.second) / 86400.0;
            *out = std::to_string(static_cast<long long>(std::llround(std::fabs(days))));
            return true;
        }
        case '1':
            *out = dd + "-" + mm + "-" + yy;
            return true;
        case '2':
            *out = mm + "-" + dd + "-" + yy;
            return true;
        case '3':
            *out = yy + "-" + mm + "-" + dd;
            return true;
        case '4':
            *out = dd + "-" + mm + "-" + yyyy;
            return true;
        case '5':
            *out = mm + "-" + dd + "-" + yyyy;
            return true;
        case '6':
            *out = yyyy + "-" + mm + "-" + dd;
            return true;
        case '7':
            *out = yyyy + "-" + mm + "-" + dd + " " + Digits(now.hour, 2) + ":" +
                   Digits(now.minute, 2) + ":" + Digits(now.second, 2);
            return true;
        default:
            return false;
    }
}

std::string RemoveDoubledBackslashes(std::string_view text, const MacroSource& source) {
    if (text.empty()) return {};
    const char delimiter = text.front() == text.back() ? text.front() : 0;
    std::string rest(text.substr(1));
    // Kept: a pair whose first backslash is the second byte of a double-byte character, and a
    // pair right after the list's delimiter (a network path as an item).
    const auto keep = [&](size_t first) {
        const char before = first == 0 ? text.front() : rest[first - 1];
        if (first > 0 && source.IsLeadByte(static_cast<unsigned char>(before))) return true;
        return delimiter != 0 && before == delimiter;
    };
    for (size_t i = rest.size(); i-- > 1;) {
        if (i >= rest.size() || rest[i] != '\\' || rest[i - 1] != '\\') continue;
        if (!keep(i - 1)) rest.erase(i, 1);
    }
    return std::string(1, text.front()) + rest;
}

std::string ExpandMacros(std::string_view text, std::string_view suffix, bool resolveDots,
                         bool fullSet, const MacroSource& source) {
    std::string out(text);
    bool replaced = false;
    if (out.find('<') != std::string::npos) {
        const size_t date = FindNoCase(out, "<Date=");
        std::string formatted;
        if (date != std::string::npos && date + 7 < out.size() && out[date + 7] == '>' &&
            FormatMacroDate(out[date + 6], source.Now(), source, &formatted)) {
            out.replace(date, 8, formatted);
            replaced = true;
        }
        const auto logged = [&] { return std::string(TrimBlanks(source.LoggedUserName())); };
        replaced |= ReplaceEvery(out, "<LoggedUserName>", logged);
        replaced |= ReplaceEvery(out, "<UserName>", [&] {
            return Or(source.Registry(MacroRegistryValue::kRegisteredOwner), logged());
        });
        replaced |= ReplaceEvery(out, "<CompanyName>", [&] {
            return source.Registry(MacroRegistryValue::kRegisteredOrganization);
        });
        replaced |= ReplaceEvery(out, "<ComputerName>",
                                 [&] { return std::string(TrimBlanks(source.ComputerName())); });
        replaced |= ReplaceEvery(out, "<CurrentDomainName>", [&] { return source.DomainName(); });
        replaced |= ReplaceEvery(out, "<LastExecutableExitCode>", [] { return std::string("0"); });
        for (const char* name : kEngineVariables)
            replaced |= ReplaceEvery(out, name, [] { return std::string(); });

        if (fullSet) {
            const std::string before = out;
            std::optional<bool> earlierMatch;  // taken when the first dropped row comes
            for (const DirectoryRow& row : kDirectoryRows) {
                if (row.onlyWithoutEarlierMatch && !earlierMatch) earlierMatch = out != before;
                const bool dropped = row.onlyWithoutEarlierMatch && *earlierMatch;
                for (const char* name : row.names) {
                    if (FindNoCase(out, name) == std::string::npos) continue;
                    replaced |= ReplaceDirectory(
                        out, name, suffix,
                        dropped ? std::string() : DirectoryValue(row.value, source));
                }
            }
        }
        if (replaced) out = RemoveDoubledBackslashes(out, source);
    }
    if (resolveDots) out = ResolveDots(out, source);
    return out;
}
