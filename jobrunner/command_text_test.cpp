#include "jobrunner/command_text.h"

#include <gtest/gtest.h>

TEST(CommandText, ModeMarkers) {
    const struct {
        const char* in;
        std::optional<RunMode> marker;
        const char* command;
    } cases[] = {
        {"force cmd /x", RunMode::kForce, "cmd /x"},
        {"update cmd /x", RunMode::kUpdate, "cmd /x"},
        {"forcecmd", RunMode::kForce, "md"},  // five compared, six dropped
        {"force", RunMode::kForce, ""},
        {"updates", RunMode::kUpdate, ""},
        {"Force cmd", std::nullopt, "Force cmd"},
        {"forc cmd", std::nullopt, "forc cmd"},
        {"update force x", RunMode::kUpdate, "force x"},  // one marker only
        {"", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        std::string command = c.in;
        EXPECT_EQ(c.marker, TakeModeMarker(command)) << c.in;
        EXPECT_EQ(c.command, command) << c.in;
    }
}

TEST(CommandText, ExternalVariableReplacesFirstPlaceholderOnly) {
    RunOptions present;
    present.externalVariablePresent = true;
    present.externalVariable = "VALUE";
    const RunOptions absent;
    const struct {
        const char* in;
        const RunOptions& options;
        const char* out;
    } cases[] = {
        {"run !{EXTVAR} and !{EXTVAR}", present, "run VALUE and !{EXTVAR}"},
        {"run !{EXTVAR} and !{EXTVAR}", absent, "run  and !{EXTVAR}"},
        {"!{EXTVAR}", present, "VALUE"},
        {"run !{extvar}", present, "run !{extvar}"},
        {"run", present, "run"},
    };
    for (const auto& c : cases) {
        std::string command = c.in;
        ReplaceExternalVariable(command, c.options);
        EXPECT_EQ(c.out, command) << c.in;
    }
}

TEST(CommandText, LineKinds) {
    EXPECT_TRUE(IsFlagLine("flag abort_ne 0"));
    EXPECT_TRUE(IsFlagLine("flagged"));
    EXPECT_FALSE(IsFlagLine("Flag abort_ne 0"));
    EXPECT_EQ("abort_ne 0", FlagTextOf("flag abort_ne 0"));
    EXPECT_EQ("", FlagTextOf("flag"));

    const struct {
        const char* command;
        bool skipped;
    } preinstallation[] = {
        {"net stop x", true},
        {"NET START x", true},
        {"Net use", true},
        {"netsh x", false},
        {"net stop HstGate", false},  // the service-control service keeps its commands
        {"net start hstgate", false},
        {"NET START HSTGATE", false},
        {"net start HstGateway", false},
        {"arcpeel -x", true},
        {"ARCPEEL", true},
        {"arcpee", false},
        {"cmd /c net stop x", false},
    };
    for (const auto& c : preinstallation) {
        EXPECT_EQ(c.skipped, IsSkippedInPreinstallation(c.command)) << c.command;
    }
    EXPECT_TRUE(IsQuillonCommand("QUILLON.exe -x"));
    EXPECT_TRUE(IsQuillonCommand("quillonCli"));
    EXPECT_FALSE(IsQuillonCommand("quillo"));
}
