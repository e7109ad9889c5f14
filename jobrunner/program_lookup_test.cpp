#include "jobrunner/program_lookup.h"

#include <gtest/gtest.h>

#include "jobrunner/fake_job_host.h"

TEST(ProgramLookup, NameOfCommand) {
    const struct {
        const char* command;
        const char* name;
        bool absolute;
    } cases[] = {
        {"tool -a -b", "tool", false},
        {"tool a b -c", "tool a b", false},  // " -" wins over an earlier space
        {"tool a b", "tool", false},
        {"tool", "tool", false},
        {"C:\\dir\\tool.exe -x", "C:\\dir\\tool.exe", true},
        {"\"C:\\Program Files\\tool.exe\" -x", "C:\\Program Files\\tool.exe", true},
        {"\"C:\\Program Files\\tool.exe\" x", "C:\\Program", true},  // cut at the first space
        {"\"tool\" -x", "tool", false},
        {"C:tool", "C:tool", false},
        {"\\\\server\\share\\tool", "\\\\server\\share\\tool", false},
    };
    for (const auto& c : cases) {
        const ProgramName program = ProgramNameOf(c.command);
        EXPECT_EQ(c.name, program.name) << c.command;
        EXPECT_EQ(c.absolute, program.absolute) << c.command;
    }
}

TEST(ProgramLookup, SearchesCurrentDirectoryThenPath) {
    const struct {
        const char* command;
        std::vector<std::string> files;
        int32_t code;
        const char* log;
    } cases[] = {
        {"tool -x", {"C:\\job\\tool"}, 1, ""},
        {"tool -x", {"C:\\job\\tool.exe"}, 1, ""},
        {"tool -x", {"C:\\bin\\tool.exe"}, 1, ""},
        {"tool -x", {"C:\\other\\tool.exe"}, 666, "unknown command, retval set to 999\n"},
        {"tool -x", {"C:\\job\\tool.bat"}, 666, "unknown command, retval set to 999\n"},
        {"tool -x", {"C:\\quoted dir\\tool.exe"}, 1, ""},
        {"C:\\abs\\tool -x", {"C:\\abs\\tool.exe"}, 1, ""},
        {"C:\\abs\\tool -x",
         {"C:\\bin\\tool.exe"},
         666,
         "unknown absolut command C:\\abs\\tool or C:\\abs\\tool.exe, retval set to 999\n"},
    };
    for (const auto& c : cases) {
        FakeJobHost host;
        host.environment["PATH"] = "C:\\sys;;C:\\bin\\;\"C:\\quoted dir\"";
        host.files.insert(c.files.begin(), c.files.end());
        EXPECT_EQ(c.code, LookUpCommand(c.command, host)) << c.command;
        EXPECT_EQ(c.log, host.log) << c.command;
    }
}
