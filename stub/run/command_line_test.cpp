#include "stub/run/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

TEST(ParameterText, RemovesTheProgramTokenUpToTheStubsFileName) {
    const char* stub = R"(C:\Pkg\Setup.exe)";
    const struct {
        const char* raw;
        const char* parameters;
    } cases[] = {
        {R"(C:\Pkg\Setup.exe /X)", "/X"},
        {R"(C:\Pkg\Setup.exe)", ""},
        {R"(c:\pkg\SETUP.EXE   /A=1 /hide   )", "/A=1 /hide"},
        {R"(Setup.exe /X)", "/X"},  // started by its name alone
        {R"("C:\Pkg\Setup.exe")", ""},
        {R"("C:\Pkg\Setup.exe" )", ""},
        {R"(C:\Pkg\Setup.exe /)", ""},  // any one-character remainder
        // The closing quote of a quoted program token goes with it.
        {R"("C:\Pkg\Setup.exe" /X)", "/X"},
        {R"( "C:\Pkg\Setup.exe" "quoted" /X)", R"("quoted" /X)"},
        // A name that only begins a longer component is not the program token.
        {R"(C:\Setup.exe.d\Setup.exe /X)", "/X"},
        {R"("C:\Setup.exe.d\Setup.exe"/X)", "/X"},
        // A short name does not contain the file name: nothing is removed.
        {R"(C:\Pkg\SETUP~1.EXE /X)", R"(C:\Pkg\SETUP~1.EXE /X)"},
    };
    for (const auto& c : cases) EXPECT_EQ(ParameterText(c.raw, stub), c.parameters) << c.raw;
}

TEST(SwitchValue, FollowsTheQuotingSpaceAndSlashRules) {
    const struct {
        const char* parameters;
        const char* key;
        const char* value;
    } cases[] = {
        {"/X /hide", "/hide", "TRUE"},  // nothing follows
        {"/SpanCdLvl=", "/SpanCdLvl=", "TRUE"},
        {"/hide /X", "/HIDE", ""},  // something follows: up to the space, which is at once
        {"/A= /B", "/A=", ""},
        {"/X", "/hide", ""},  // absent
        {"/SleepX=15 /X", "/SleepX=", "15"},
        {"/SleepX=15/X", "/SleepX=", "15"},
        {"/sleepx=7", "/SleepX=", "7"},
        {"/A=1 /A=2", "/A=", "1"},  // the first occurrence counts
        {R"(/OriginExe=C:\Pkg\Setup.exe)", "/OriginExe=", R"(C:\Pkg\Setup.exe)"},
        {R"(/SpanDiskFName1="D:\My Disk\Setup.exe.001" /X)",
         "/SpanDiskFName1=", R"(D:\My Disk\Setup.exe.001)"},
        {R"(/A="a/b c")", "/A=", "a/b c"},  // quoted: neither space nor slash ends it
        {R"(/A="  padded ")", "/A=", "padded"},
        {R"(/A="unclosed value)", "/A=", "unclosed value"},
        {R"(/A=""/B)", "/A=", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SwitchValue(c.parameters, c.key), c.value) << c.parameters << " " << c.key;
}

TEST(HasSwitch, IsACaseInsensitiveContainsTest) {
    EXPECT_TRUE(HasSwitch("/X /HIDE", "/hide"));
    EXPECT_TRUE(HasSwitch("/SpanCdLvl=2", "/spancdlvl="));
    EXPECT_FALSE(HasSwitch("/X /hid", "/hide"));
    EXPECT_FALSE(HasSwitch("", "/hide"));
    // The whole text is searched, quoted values included.
    EXPECT_TRUE(HasSwitch(R"(/OriginExe="D:\x /hide\Setup.exe")", "/hide"));
}

TEST(SwitchNumber, ReadsSixtyFourBitIntegersWithAFallback) {
    const int64_t fallback = -99;
    const struct {
        const char* parameters;
        int64_t value;
    } cases[] = {
        {"/SleepX=15", 15},
        {"/SleepX=-3 /X", -3},
        {"/SleepX=+4", 4},
        {R"(/SleepX="42")", 42},
        {"/SleepX=9223372036854775807", std::numeric_limits<int64_t>::max()},
        {"/SleepX=-9223372036854775808", std::numeric_limits<int64_t>::min()},
        {"/SleepX=9223372036854775808", fallback},  // out of range
        {"/SleepX=12abc", fallback},
        {"/SleepX=abc", fallback},
        {"/SleepX=+-4", fallback},
        {"/SleepX=", fallback},  // "TRUE"
        {"/SleepX= /X", fallback},
        {"/X", fallback},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SwitchNumber(c.parameters, "/SleepX=", fallback), c.value) << c.parameters;
}
