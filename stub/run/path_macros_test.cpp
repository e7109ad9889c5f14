#include "stub/run/path_macros.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

namespace {

// A machine described by plain values; FullPath folds "dir\.." the way the system does.
struct FakeMachine : MacroSource {
    LocalTime now{2026, 12, 11, 17, 5, 9};
    std::string user = " pat ";
    std::string computer = "BUILD-7 ";
    std::string domain = "LAB";
    std::map<MacroRegistryValue, std::string> registry;
    std::map<MacroFolder, std::string> folders;
    InstallDirectories installation{R"(C:\Prog)", R"(C:\Common\)", ""};
    std::set<std::string> existing{R"(C:\Windows\system)", R"(C:\Users\pat)"};
    std::string leadBytes;
    mutable std::vector<std::string> fullPathCalls;

    LocalTime Now() const override { return now; }
    std::string MonthName(int month) const override {
        static const char* const kNames[] = {"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
        return kNames[month - 1];
    }
    std::string LoggedUserName() const override { return user; }
    std::string ComputerName() const override { return computer; }
    std::string DomainName() const override { return domain; }
    std::string Registry(MacroRegistryValue value) const override {
        const auto found = registry.find(value);
        return found == registry.end() ? std::string() : found->second;
    }
    std::string Folder(MacroFolder folder) const override {
        const auto found = folders.find(folder);
        return found == folders.end() ? std::string() : found->second;
    }
    InstallDirectories Installation() const override { return installation; }
    std::string WindowsDirectory() const override { return R"(C:\Windows)"; }
    std::string SystemDirectory() const override { return R"(C:\Windows\system32)"; }
    std::string TempDirectory() const override { return R"(C:\Temp\)"; }
    std::string StubDirectory() const override { return R"(D:\Pkg)"; }
    std::string OriginDirectory() const override { return R"(E:\Media)"; }
    bool DirectoryExists(std::string_view path) const override {
        return existing.count(std::string(path)) != 0;
    }
    std::string FullPath(std::string_view path) const override {
        fullPathCalls.emplace_back(path);
        std::vector<std::string> parts;
        size_t start = 0;
        while (start <= path.size()) {
            const size_t end = std::min(path.find('\\', start), path.size());
            const std::string part(path.substr(start, end - start));
            if (part == ".." && !parts.empty() && parts.back().back() != ':')
                parts.pop_back();
            else if (part != ".")
                parts.push_back(part);
            start = end + 1;
        }
        std::string out;
        for (const std::string& part : parts) out += (out.empty() ? "" : "\\") + part;
        return out;
    }
    bool IsLeadByte(unsigned char c) const override {
        return leadBytes.find(static_cast<char>(c)) != std::string::npos;
    }
};

std::string Full(std::string_view text, const FakeMachine& machine, bool resolveDots = false) {
    return ExpandMacros(text, "\\", resolveDots, true, machine);
}

}  // namespace

TEST(ExpandMacros, DirectoriesTakeTheSuffixOnlyWhenMorePathFollows) {
    FakeMachine machine;
    const struct {
        const char* text;
        const char* expanded;
    } cases[] = {
        {"<InstallDir>app.exe", R"(C:\Prog\app.exe)"},
        {"<InstallDir>", R"(C:\Prog)"},
        {R"(<installdir>\bin\app.exe)", R"(C:\Prog\bin\app.exe)"},
        {"<InstallDir> /S", R"(C:\Prog /S)"},
        {"|<WinDir>|<TempDir>|", R"(|C:\Windows|C:\Temp|)"},
        {",<InstallCommonDir>,x,", R"(,C:\Common,x,)"},
        // Each occurrence decides for itself.
        {"<InstallDir>a.exe <InstallDir>", R"(C:\Prog\a.exe C:\Prog)"},
        // An absolute directory before it leaves no room for the install directory.
        {"<WinDir><InstallDir>x.ini", R"(C:\Windows\x.ini)"},
        {"<Common Folder>a|<InstallCommonDir>b", R"(C:\Common\a|b)"},
        {"<InstallDrive>boot.ini", R"(C:\boot.ini)"},
        {"|<WinDisk>|<OriginDrive>|<OriginDisk>|", R"(|C:|E:\|E:|)"},
        {"<System16 Directory>", R"(C:\Windows\system)"},
        {"<SrcDir>a;<ServiceDir>;<OriginDir>", R"(D:\Pkg\a;D:\Pkg\;E:\Media)"},
        {"<RunTimeDir_3>x.exe<AbsoluteDir><UnInstallExePath>", "x.exe"},
        {"<RunTimeDir_9>", "<RunTimeDir_9>"},
        {"no macro\\\\here", "no macro\\\\here"},
        {"<Unknown>\\\\x", "<Unknown>\\\\x"},
    };
    for (const auto& c : cases) EXPECT_EQ(Full(c.text, machine), c.expanded) << c.text;
}

TEST(ExpandMacros, ShellFoldersAndTheirFallbacks) {
    FakeMachine machine;
    machine.folders[MacroFolder::kDocuments] = R"(C:\Users\pat\Documents)";
    machine.folders[MacroFolder::kDesktop] = R"(C:\Users\pat\Desktop\)";
    machine.folders[MacroFolder::kCommonAppData] = R"(C:\ProgramData\All)";
    machine.registry[MacroRegistryValue::kProgramFilesDir] = R"(C:\Program Files\)";
    machine.registry[MacroRegistryValue::kFonts] = R"(C:\NoFonts)";
    const struct {
        const char* text;
        const char* expanded;
    } cases[] = {
        {"<UserDir>", R"(C:\Users\pat)"},
        {"<MyDocumentsDir>", R"(C:\Users\pat\Documents)"},
        {"<UserDesktopDir>x.lnk", R"(C:\Users\pat\Desktop\x.lnk)"},
        {"<UserAppDataDir>", R"(C:\Users\pat\Application Data)"},
        {"<UserLocalAppDataDir>", R"(C:\Users\pat\Application Data)"},
        {"<UserStartProgramMenuDir>", R"(C:\Users\pat\Start Menu\Programs)"},
        {"<AllUsersDir>", R"(C:\ProgramData)"},
        {"<AllUsersStartMenuDir>", R"(C:\ProgramData\Start Menu)"},
        {"<AllUsersDocumentsDir>", R"(C:\Windows\Documents)"},
        {"<ProgramFilesDir>App", R"(C:\Program Files\App)"},
        {"<CommonFilesDir>App", "App"},
        {"<FontDir>", R"(C:\Windows\Fonts)"},
        {"<StartMenuDir>", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Full(c.text, machine), c.expanded) << c.text;

    // No documents folder: the profile under the Windows directory, then the Windows directory.
    FakeMachine bare;
    bare.existing = {R"(C:\Windows\Profiles\pat)"};
    EXPECT_EQ(Full("<UserDir>", bare), R"(C:\Windows\Profiles\pat)");
    EXPECT_EQ(Full("<MyDocumentsDir>", bare), R"(C:\Windows\Profiles\pat\My Documents)");
    bare.existing.clear();
    EXPECT_EQ(Full("<DocumentsAndSettingsDir>", bare), R"(C:\Windows)");
    EXPECT_EQ(Full("<System16 Directory>", bare), R"(C:\Windows\system32)");
    EXPECT_EQ(Full("<AllUsersDir>", bare), R"(C:\Windows)");
}

TEST(ExpandMacros, NamesAndEngineVariables) {
    FakeMachine machine;
    machine.registry[MacroRegistryValue::kRegisteredOrganization] = "Acme";
    const struct {
        const char* text;
        const char* expanded;
    } cases[] = {
        {"<LoggedUserName>@<ComputerName>", "pat@BUILD-7"},
        {"<UserName>/<username>", "pat/pat"},
        {"<CompanyName> <CurrentDomainName>", "Acme LAB"},
        {"[<EnteredUserName><ProgramVersion><SelectedLanguage>]", "[]"},
        {"rc=<LastExecutableExitCode>", "rc=0"},
        // Without the full set the directories stay.
        {"<InstallDir>\\<EnteredSerialNum>x", "<InstallDir>\\x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandMacros(c.text, "\\", false, false, machine), c.expanded) << c.text;

    machine.registry[MacroRegistryValue::kRegisteredOwner] = "Owner";
    EXPECT_EQ(ExpandMacros("<UserName>", "\\", false, false, machine), "Owner");
}

TEST(ExpandMacros, DatesByCode) {
    FakeMachine machine;
    const struct {
        const char* text;
        const char* expanded;
    } cases[] = {
        {"<Date=#>", "11/December/2026"},
        {"<Date=1>", "11-12-26"},
        {"<Date=2>", "12-11-26"},
        {"<Date=3>", "26-12-11"},
        {"<Date=4>", "11-12-2026"},
        {"<Date=5>", "12-11-2026"},
        {"log_<date=6>.txt", "log_2026-12-11.txt"},
        {"<Date=7>", "2026-12-11 17:05:09"},
        {"<Date=9>", "<Date=9>"},
        {"<Date=6><Date=6>", "2026-12-11<Date=6>"},
        {"<Date=6", "<Date=6"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandMacros(c.text, "\\", false, false, machine), c.expanded) << c.text;

    // Whole days since 2000-01-01, rounded: 9841 days and 17 hours.
    EXPECT_EQ(ExpandMacros("<Date=0>", "", false, false, machine), "9842");
    machine.now = {1999, 12, 31, 6, 0, 0};
    EXPECT_EQ(ExpandMacros("<Date=0>", "", false, false, machine), "1");
}

TEST(ExpandMacros, DoubledBackslashesAfterAReplacement) {
    FakeMachine machine;
    machine.leadBytes = "\x81";
    const struct {
        const char* text;
        const char* expanded;
    } cases[] = {
        {R"(\\server\\share\<InstallDir>\\\x)", R"(\\server\share\C:\Prog\x)"},
        {R"(|\\srv\a|<WinDir>\\b|)", R"(|\\srv\a|C:\Windows\b|)"},
        // The second byte of a double-byte character may be a backslash.
        {"<InstallDir>\\\x81\\\\x", "C:\\Prog\\\x81\\\\x"},
    };
    for (const auto& c : cases) EXPECT_EQ(Full(c.text, machine), c.expanded) << c.text;
}

TEST(ExpandMacros, DotsResolveToFullPaths) {
    FakeMachine machine;
    EXPECT_EQ(Full(R"(<InstallDir>..\bin\x.exe)", machine, true), R"(C:\bin\x.exe)");
    EXPECT_EQ(Full(R"(|<InstallDir>..\a|<TempDir>|b\..\c|)", machine, true), R"(|C:\a|C:\Temp|c|)");
    // Only the items with dots are handed to the system.
    EXPECT_EQ(machine.fullPathCalls, (std::vector<std::string>{R"(C:\Prog\..\bin\x.exe)",
                                                               R"(C:\Prog\..\a)", R"(b\..\c)"}));
    machine.fullPathCalls.clear();
    EXPECT_EQ(Full(R"(<InstallDir>..\x)", machine, false), R"(C:\Prog\..\x)");
    EXPECT_TRUE(machine.fullPathCalls.empty());
}
