#include "jobrunner/run_options.h"

#include <gtest/gtest.h>

namespace {

struct Expected {
    bool autonomic = false;
    bool pspmode = false;
    RunMode mode = RunMode::kForce;
    bool noRestart = false;
    bool debug = false;
    bool external = false;
    std::string externalValue{};
    std::optional<std::string> firstDirectory{};
    std::optional<std::string> pspmodeDirectory{};
    std::string argumentFile{};
};

void ExpectOptions(const std::vector<std::string>& args, const Expected& e) {
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    const CommandLine line = ReadCommandLine(args);
    EXPECT_FALSE(line.printVersion) << shown;
    EXPECT_FALSE(line.tooFewArguments) << shown;
    EXPECT_EQ(e.autonomic, line.options.autonomic) << shown;
    EXPECT_EQ(e.pspmode, line.options.pspmode) << shown;
    EXPECT_EQ(e.mode, line.options.mode) << shown;
    EXPECT_EQ(e.noRestart, line.options.noRestart) << shown;
    EXPECT_EQ(e.debug, line.options.debug) << shown;
    EXPECT_EQ(e.external, line.options.externalVariablePresent) << shown;
    EXPECT_EQ(e.externalValue, line.options.externalVariable) << shown;
    EXPECT_EQ(e.firstDirectory, line.firstDirectory) << shown;
    EXPECT_EQ(e.pspmodeDirectory, line.pspmodeDirectory) << shown;
    EXPECT_EQ(e.argumentFile, line.argumentFile) << shown;
}

constexpr RunMode kUpdate = RunMode::kUpdate;
constexpr RunMode kForce = RunMode::kForce;
const std::string kProgram = "C:\\p\\sw.exe";

}  // namespace

TEST(RunOptions, VersionAndTooFewArguments) {
    EXPECT_TRUE(ReadCommandLine({"sw", "-version"}).printVersion);
    EXPECT_TRUE(ReadCommandLine({"sw", "d", "j", "-n", "-version"}).printVersion);
    EXPECT_TRUE(ReadCommandLine({"-version"}).printVersion);
    EXPECT_FALSE(ReadCommandLine({"sw", "d", "j", "-versions"}).printVersion);
    EXPECT_TRUE(ReadCommandLine({"sw"}).tooFewArguments);
    EXPECT_TRUE(ReadCommandLine({"sw", "C:\\dir"}).tooFewArguments);
    EXPECT_FALSE(ReadCommandLine({"sw", "autonomic"}).tooFewArguments);
}

TEST(RunOptions, NormalFormReadsOptionsByCount) {
    const struct {
        std::vector<std::string> args;
        Expected e;
    } cases[] = {
        {{"sw", "d", "j"}, {.firstDirectory = "d", .argumentFile = "j"}},
        {{"sw", "d", "j", "-n"}, {.noRestart = true, .firstDirectory = "d", .argumentFile = "j"}},
        {{"sw", "d", "j", "-d"}, {.debug = true, .firstDirectory = "d", .argumentFile = "j"}},
        {{"sw", "d", "j", "-nd"}, {.noRestart = true, .firstDirectory = "d", .argumentFile = "j"}},
        {{"sw", "d", "j", "-update"}, {.firstDirectory = "d", .argumentFile = "j"}},
        {{"sw", "d", "j", "-update", "-force"},
         {.mode = kUpdate, .firstDirectory = "d", .argumentFile = "j"}},
        {{"sw", "d", "j", "-n", "-debug"},
         {.noRestart = true, .debug = true, .firstDirectory = "d", .argumentFile = "j"}},
        {{"sw", "d", "j", "-update", "-n", "-d"},
         {.mode = kForce,
          .noRestart = true,
          .debug = true,
          .firstDirectory = "d",
          .argumentFile = "j"}},
        {{"sw", "d", "j", "x", "-update", "-d"},
         {.mode = kUpdate, .debug = true, .firstDirectory = "d", .argumentFile = "j"}},
        {{"sw", "d", "j", "x", "y", "-updateX"},
         {.mode = kUpdate, .firstDirectory = "d", .argumentFile = "j"}},
        {{"sw", "d", "j", "-n", "-d", "-update", "x"},
         {.firstDirectory = "d", .argumentFile = "j"}},
        {{"sw", "d", "j", "-external-variable", "v"}, {.firstDirectory = "d", .argumentFile = "j"}},
    };
    for (const auto& c : cases) ExpectOptions(c.args, c.e);
}

TEST(RunOptions, AutonomicFormReadsOptionsByCount) {
    const struct {
        std::vector<std::string> args;
        Expected e;
    } cases[] = {
        {{kProgram, "autonomic"}, {.autonomic = true, .firstDirectory = "C:\\p"}},
        {{"sw.exe", "autonomic"}, {.autonomic = true}},
        {{kProgram, "C:\\w", "autonomic"}, {.autonomic = true, .firstDirectory = "C:\\w"}},
        {{kProgram, "autonomic", "-d"},
         {.autonomic = true, .debug = true, .firstDirectory = "C:\\p"}},
        {{kProgram, "autonomic", "-nd"},
         {.autonomic = true, .noRestart = true, .firstDirectory = "C:\\p"}},
        {{kProgram, "autonomic", "-update"},
         {.autonomic = true, .mode = kUpdate, .firstDirectory = "C:\\p"}},
        {{kProgram, "pspmode"},
         {.autonomic = true,
          .pspmode = true,
          .firstDirectory = "C:\\p",
          .pspmodeDirectory = "C:\\p"}},
        {{kProgram, "C:\\w", "pspmode", "-d"},
         {.autonomic = true,
          .pspmode = true,
          .debug = true,
          .firstDirectory = "C:\\w",
          .pspmodeDirectory = "C:\\p"}},
        {{kProgram, "autonomic", "pspmode"},
         {.autonomic = true,
          .pspmode = true,
          .firstDirectory = "C:\\p",
          .pspmodeDirectory = "C:\\p"}},
        {{kProgram, "C:\\w", "autonomic", "-update", "-force", "-external-variable", "\"v\""},
         {.autonomic = true,
          .mode = kUpdate,
          .external = true,
          .externalValue = "v",
          .firstDirectory = "C:\\w"}},
        {{kProgram, "C:\\w", "autonomic", "-external-variable", "<ExternalVariable>"},
         {.autonomic = true, .external = true, .firstDirectory = "C:\\w"}},
        {{kProgram, "autonomic", "-external-variable"},
         {.autonomic = true, .firstDirectory = "C:\\p"}},
        {{kProgram, "C:\\w", "autonomic", "-external-variable", "v", "-n"},
         {.autonomic = true, .noRestart = true, .firstDirectory = "C:\\w"}},
        {{kProgram, "C:\\w", "autonomic", "a", "b", "c", "-d"},
         {.autonomic = true, .debug = true, .firstDirectory = "C:\\w"}},
        {{kProgram, "C:\\w", "autonomic", "a", "b", "c", "x", "-d"},
         {.autonomic = true, .firstDirectory = "C:\\w"}},  // the seventh is not looked at
        {{kProgram, "C:\\w", "autonomic", "a", "b", "c", "-external-variable", "v"},
         {.autonomic = true, .external = true, .externalValue = "v", .firstDirectory = "C:\\w"}},
        {{kProgram, "C:\\w", "autonomic", "-d", "a", "b", "c", "-external-variable", "v"},
         {.autonomic = true, .firstDirectory = "C:\\w"}},  // eight: nothing is read
    };
    for (const auto& c : cases) ExpectOptions(c.args, c.e);
}

TEST(RunOptions, ExternalVariableIsCleaned) {
    const std::pair<std::string, std::string> cases[] = {
        {"  \"a\tb\"\n ", "a b"},
        {"<ExternalVariable>", ""},
        {"  <ExternalVariable>rest", ""},
        {"x<ExternalVariable>", "x<ExternalVariable>"},
        {"", ""},
        {std::string(600, 'v'), std::string(511, 'v')},
    };
    for (const auto& [raw, clean] : cases) EXPECT_EQ(clean, CleanExternalVariable(raw)) << raw;
}
