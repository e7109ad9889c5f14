// The macros against the real system under Wine: each test runs in its own throwaway prefix, so
// it may rewrite the registry values the macros read.
#include "stub/win/macro_source.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <regex>

#include "stub/win/files_test_support.h"

namespace {

void SetText(HKEY root, const char* key, const char* name, DWORD type, const std::string& value) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(opened, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(opened);
}

constexpr char kShellFolders[] =
    R"(Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders)";
constexpr char kVersion[] = R"(SOFTWARE\Microsoft\Windows\CurrentVersion)";

std::string Expand(const Win32MacroSource& source, const std::string& text,
                   bool resolveDots = false) {
    return ExpandMacros(text, "\\", resolveDots, true, source);
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TEST(Win32MacroSource, SystemDirectoriesAndTheStubsPlaces) {
    const Win32MacroSource source(R"(C:\Pkg\setup.exe)", R"(D:\Media\Disk 1\setup.exe)",
                                  {R"(C:\Program Files\App\)", "", ""});
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);

    EXPECT_EQ(Expand(source, "<WinDir>"), windows);
    EXPECT_EQ(Expand(source, "<WinSysDir>x.dll"), std::string(system) + "\\x.dll");
    EXPECT_EQ(Expand(source, "<WinDrive>"), std::string(windows, 3));
    EXPECT_EQ(Expand(source, "<InstallDir>bin\\app.exe"), R"(C:\Program Files\App\bin\app.exe)");
    EXPECT_EQ(Expand(source, "|<SrcDir>|<OriginDir>|<OriginDisk>|"),
              R"(|C:\Pkg|D:\Media\Disk 1|D:|)");

    const std::string temp = Expand(source, "<TempDir>");
    EXPECT_NE(temp.back(), '\\');
    EXPECT_TRUE(IsDirectory(temp)) << temp;
    // "..": the system makes the full path.
    EXPECT_EQ(Expand(source, "<TempDir>..\\x.log", true),
              temp.substr(0, temp.find_last_of('\\')) + "\\x.log");
}

TEST(Win32MacroSource, ShellFoldersComeFromTheShell) {
    const Win32MacroSource source(R"(C:\setup.exe)", R"(C:\setup.exe)", {});
    for (const char* macro : {"<MyDocumentsDir>", "<UserAppDataDir>", "<UserLocalAppDataDir>",
                              "<AllUsersAppDataDir>", "<UserDesktopDir>", "<UserDir>"}) {
        const std::string folder = Expand(source, macro);
        EXPECT_TRUE(IsDirectory(folder)) << macro << " -> " << folder;
        EXPECT_NE(folder.back(), '\\') << macro;
    }
    // The user directory holds the documents folder.
    const std::string documents = Expand(source, "<MyDocumentsDir>");
    EXPECT_EQ(documents.rfind(Expand(source, "<UserDir>") + "\\", 0), 0u) << documents;
}

TEST(Win32MacroSource, RegistryValuesWithFallbacksAndExpansion) {
    const Win32MacroSource source(R"(C:\setup.exe)", R"(C:\setup.exe)", {});
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    Sandbox box;
    box.MakeDirectory("fonts");

    SetText(HKEY_CURRENT_USER, kShellFolders, "Fonts", REG_SZ, box.Path("fonts") + "\\");
    EXPECT_EQ(Expand(source, "<FontDir>"), box.Path("fonts"));
    SetText(HKEY_CURRENT_USER, kShellFolders, "Fonts", REG_SZ, box.Path("gone"));
    EXPECT_EQ(Expand(source, "<FontDir>"), std::string(windows) + "\\Fonts");

    SetText(HKEY_LOCAL_MACHINE, kVersion, "CommonFilesDir", REG_EXPAND_SZ,
            R"(%SystemRoot%\Shared Files)");
    EXPECT_EQ(Expand(source, "<CommonFilesDir>x"), std::string(windows) + "\\Shared Files\\x");

    SetText(HKEY_LOCAL_MACHINE, R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion)",
            "RegisteredOwner", REG_SZ, "Build Lab");
    EXPECT_EQ(Expand(source, "<UserName>"), "Build Lab");
}

TEST(Win32MacroSource, DatesAndNames) {
    const Win32MacroSource source(R"(C:\setup.exe)", R"(C:\setup.exe)", {});
    EXPECT_TRUE(
        std::regex_match(Expand(source, "<Date=#>"), std::regex(R"(\d\d/[A-Z][a-z]+/\d{4})")))
        << Expand(source, "<Date=#>");
    EXPECT_TRUE(std::regex_match(Expand(source, "<Date=7>"),
                                 std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
    const std::string user = Expand(source, "<LoggedUserName>");
    EXPECT_FALSE(user.empty());
    EXPECT_EQ(user.find_first_of(" <>"), std::string::npos);
    EXPECT_FALSE(Expand(source, "<ComputerName>").empty());
}
