// The built tessel-emu against labs of emulated controllers: exact output and exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/process_runner.h"

namespace {

const std::string kStars(76, '*');
const std::string kBanner = "\n " + kStars +
                            "\n    Kelmar Corporation TESSEL Utility.\n"
                            "\n    Tessel Version 1.30.00.01 (2012.06.14) \n"
                            "    Copyright (c) 2006-2012 Kelmar Corporation. All rights reserved.\n"
                            "\n " +
                            kStars + "\n\n";
const std::string kNoAdapters = "\tNo Kelmar SAS adapters found! Limited Command Set Available!\n";
const std::string kFinished = "\nFinished Processing Commands Successfully.\n\tExiting Tessel.\n";
const std::string kUnable = "\tUnable to Process Commands.\n\tExiting Tessel.\n";
const std::string kStopped = "\tDue to error remaining commands will not be executed.\n";
const std::string kExitingProgram = "\tExiting Program.\n";

struct Case {
    std::vector<std::string> arguments;
    std::string output;  // after the banner
    int exitStatus;
    std::string input = "";
};

class TesselTest : public testing::Test {
  protected:
    ProcessResult Run(const std::vector<std::string>& arguments, const std::string& input = "") {
        ProcessRequest request;
        request.program = TESSEL_EMU_PATH;
        request.arguments = arguments;
        request.environment = {{"TESSEL_LAB", lab_}};
        request.input = input;
        request.workingDirectory = dir_.path();
        return RunProcess(request);
    }

    void Expect(const Case& c) {
        const ProcessResult result = Run(c.arguments, c.input);
        std::string line;
        for (const auto& a : c.arguments) line += a + " ";
        EXPECT_EQ(kBanner + c.output, result.out) << line;
        EXPECT_EQ(c.exitStatus, result.exitStatus) << line;
    }

    std::string File(const std::string& name) const { return dir_.File(name); }

    TempDir dir_;
    std::string lab_ = dir_.File("lab");
};

// An empty lab: a machine without the control driver.
class NoDriverTest : public TesselTest {
  protected:
    void SetUp() override { std::filesystem::create_directories(lab_); }
};

TEST_F(NoDriverTest, LimitedCommandSet) {
    WriteTextFile(File("nv.txt"), "");
    WriteTextFile(File("fw.bin"), "");
    const Case cases[] = {
        {{}, kNoAdapters + kFinished, 0},
        {{"-ver"},
         kNoAdapters +
             "\tTessel Version is: 1.30.00.01 (2012.06.14) \n\n"
             "\tNVDATA Major Version supported: 2d00 \n\n" +
             kFinished,
         0},
        {{"-s", "-ver", "-s"},
         kNoAdapters +
             "\tERROR: Couldn't Create Command -s:\n\tDuplicate commands are not "
             "allowed.\n" +
             kExitingProgram,
         1},
        {{"-list"},
         kNoAdapters +
             "\tERROR: Command Not allowed without an adapter!\n"
             "\tERROR: Couldn't Create Command -list\n" +
             kExitingProgram,
         1},
        // Without a controller there is no command-file handling at all.
        {{"@cmds.txt"},
         kNoAdapters + "\tERROR:  Invalid command @cmds.txt\n\n" + kExitingProgram,
         1},
        {{"@"}, kNoAdapters + "\tERROR:  Invalid command @\n\n" + kExitingProgram, 1},
        // -o runs before -concat, whatever the order given; -concat has no operation yet.
        {{"-concat", "fw.bin", "nv.txt", "out.bin", "-o"},
         kNoAdapters + "\tAdvanced Mode Set\n\n\tOperation not found: 0800000C.\n" + kUnable,
         1},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(NoDriverTest, EveryParseErrorEndsBeforeAnythingRuns) {
    const std::string syntax = "\tSyntax Error see Command Usage below:\n\n";
    const Case cases[] = {
        {{"-verbose"}, kNoAdapters + "\tERROR:  Invalid command -verbose\n\n" + kExitingProgram, 1},
        {{"INVALID"}, kNoAdapters + "\tERROR:  Invalid command INVALID\n\n" + kExitingProgram, 1},
        {{"-ver", "-h", "-?"},
         kNoAdapters +
             "\tERROR: Couldn't Create Command -?:\n\tDuplicate commands are not "
             "allowed.\n" +
             kExitingProgram,
         1},
        {{"-concat", "missing.bin"},
         kNoAdapters + "\tERROR: Could not open file: missing.bin:\n" + syntax +
             "-concat x y z:\tConcatenate NVDATA to a firmware image.\n\t\tx = firmware image "
             "to concatenate NVDATA to.\n\t\ty = NVDATA file to parse for concatenation.\n\t\t"
             "z = output file for the concatenated image.\n\n\n" +
             kExitingProgram,
         1},
        {{std::string(510, 'x')},
         kNoAdapters + "\tERROR: Argument longer than 509 characters: " + std::string(40, 'x') +
             "...\n" + kExitingProgram,
         1},
    };
    for (const Case& c : cases) Expect(c);
}

}  // namespace
