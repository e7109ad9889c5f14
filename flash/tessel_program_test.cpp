// The built tessel-emu against labs of emulated controllers: exact output and exit status.
#include "flash/program_test_fixture.h"

namespace {

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
        // -o runs before -concat, whatever the order given; an empty NVDATA text ends -concat.
        {{"-concat", "fw.bin", "nv.txt", "out.bin", "-o"},
         kNoAdapters +
             "\tAdvanced Mode Set\n\n\tExecuting Operation: Concatenate Firmware Image\n\n" +
             kStopped + kUnable,
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

// The default lab: IOC 0 a T420E(B1) at 02:00.0, IOC 2 a T420(B0) at 05:00.0 with subsystem
// 103C:3229, IOC 5 a T470(C0) at 0a:00.0.
class DefaultLabTest : public TesselTest {};

TEST_F(DefaultLabTest, RunOutcomes) {
    WriteTextFile(File("fw.bin"), "image");
    const Case cases[] = {
        {{}, "", 1},
        {{"-o"}, "", 1},
        {{"-s"}, kFinished, 0},
        {{"@"},
         "\tSyntax Error see Command Usage below:\n\n"
         "@x:\tEnables the Execution of commands from a file.\n\tx=file contains commands to be "
         "executed.\n\n\n" +
             kExitingProgram,
         1},
        // A command file counts only as the only argument.
        {{"@cmds.txt", "-s"}, "\tERROR:  Invalid command @cmds.txt\n\n" + kExitingProgram, 1},
        {{"@missing.txt"}, "ERROR: Could not open file missing.txt\n", 1},
        {{"-ver"},
         "\tTessel Version is: 1.30.00.01 (2012.06.14) \n\n"
         "\tNVDATA Major Version supported: 2d00 \n\n" +
             kFinished,
         0},
        {{"-c"},
         "\tERROR: Insufficient arguments specified:\n\tSyntax Error see Command Usage below:\n\n"
         "-c x:\t\tChoose adapter by index.\n\t\tx = index of the adapter to choose.\n\n\n" +
             kExitingProgram,
         1},
        {{"-c", "zz"},
         "\tERROR: String zz is not a valid number\n\tERROR: Input string is not a valid "
         "integer: zz\n\tSyntax Error see Command Usage below:\n\n"
         "-c x:\t\tChoose adapter by index.\n\t\tx = index of the adapter to choose.\n\n\n" +
             kExitingProgram,
         1},
        {{"-e", ""},
         "\tERROR: Input string is not a valid integer: \n\tSyntax Error see Command Usage "
         "below:\n\n" +
             std::string("-e x:\t\tErase selected controller's flash.\n\t\tx = "
                         "Segment(s) of flash to erase.\n\t\t 1 . . . Erase NVSRAM.\n\t\t 2 . . . "
                         "Erase Backup "
                         "Firmware.\n\t\t 3 . . . Erase Persistent Page.\n\t\t 4 . . . "
                         "Manufacturing Pages.\n\t\t"
                         " 5 . . . Boot Services.\n\t\t 6 . . . Clean Flash (erase all except "
                         "manufacturing "
                         "area).\n\t\t 7 . . . Erase Complete Flash.\n\n\n") +
             kExitingProgram,
         1},
        {{"-f", "nofile.bin"},
         "\tERROR: Could not open file: nofile.bin:\n\tSyntax Error see Command Usage below:\n\n"
         "-f x:\t\tFlash firmware image.\n\t\tx = the firmware file to flash.\n\n\n" +
             kExitingProgram,
         1},
        {{"-f", "fw.bin", "-fwdown", "fw.bin"},
         "\tERROR: Couldn't Create Command -fwdown:\n\tDuplicate commands are not allowed.\n" +
             kExitingProgram,
         1},
        {{"-c", "1", "-cpci", "0:2:0:0"},
         "\tERROR: Couldn't Create Command -cpci:\n\tOnly one adapter choice allowed.\n" +
             kExitingProgram,
         1},
        {{"-o", "-debug", "-o"},
         "\tERROR: Couldn't Create Command -o:\n\tDuplicate commands are not allowed.\n" +
             kExitingProgram,
         1},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(DefaultLabTest, ClassOrderAndStopOnFailure) {
    WriteTextFile(File("fw.bin"), "image");
    const Case cases[] = {
        // -o first, then the implicit -c 1, then class 4, then the listing.
        {{"-listsasadd", "-o", "-e", "3"},
         "\tAdvanced Mode Set\n\n" + Selected("T420E(B1)") +
             "\tExecuting Operation: Erase Flash\n\n"
             "\t\tThere will be a slight pause while the\n\t\tPersistent Pages are erased.\n\n"
             "\t\tErase Flash Command not Supported on this platform.\n\n"
             "\tDue to Exception Command not Executed. IOCStatus=0x1, IOCLogInfo=0x0\n"
             "\tThe SAS Address for the controller is: 5000abc-0-0000-0100\n\n" +
             kFinished,
         0},
        {{"-e", "3"}, Selected("T420E(B1)") + NotFound("04000014") + kUnable, 1},
        // The adapter choice runs before the flash, whatever the order given.
        {{"-f", "fw.bin", "-c", "2"},
         Selected("T420(B0)") +
             "\tExecuting Operation: Flash Firmware Image\n\n"
             "\tERROR: Firmware Image does not have a valid signature.\n\n" +
             kStopped + kUnable,
         1},
        // Once an all-adapters command is given, the choice and per-adapter commands are gone.
        {{"-fwall", "fw.bin", "-c", "2", "-list"},
         "\tIgnoring All other commands except for output flags\n" +
             std::string("\n\tAttempting to flash firmware to Kelmar SAS T420E(B1):\n\n"
                         "\tExecuting Operation: Flash Firmware Image\n\n"
                         "\tERROR: Firmware Image does not have a valid signature.\n\n"
                         "\n\tAttempting to flash firmware to Kelmar SAS T420(B0):\n\n"
                         "\tExecuting Operation: Flash Firmware Image\n\n"
                         "\tERROR: Firmware Image does not have a valid signature.\n\n"
                         "\n\tAttempting to flash firmware to Kelmar SAS T470(C0):\n\n"
                         "\tExecuting Operation: Flash Firmware Image\n\n"
                         "\tERROR: Firmware Image does not have a valid signature.\n\n") +
             kFinished,
         0},
        // A failure ends the run; -ver had run before it.
        {{"-c", "4", "-ver"},
         "\tTessel Version is: 1.30.00.01 (2012.06.14) \n\n"
         "\tNVDATA Major Version supported: 2d00 \n\n" +
             kStopped + kUnable,
         1},
        // A later success makes an earlier "not found" forgotten.
        {{"-c", "3", "-o", "-ombramode", "-ver"},
         "\tAdvanced Mode Set\n\n" + NotFound("01000039") +
             "\tTessel Version is: 1.30.00.01 (2012.06.14) \n\n"
             "\tNVDATA Major Version supported: 2d00 \n\n" +
             Selected("T470(C0)") + kFinished,
         0},
        {{"-o", "-resetall", "-c", "2"},
         "\tIgnoring All other commands except for output flags\n\tAdvanced Mode Set\n\n"
         "\n\tAttempting to Reset adapter Kelmar SAS T420E(B1):\n\n\t\tAdapter Successfully "
         "reset.\n\n\n\tAttempting to Reset adapter Kelmar SAS T420(B0):\n\n\t\tAdapter "
         "Successfully reset.\n\n\n\tAttempting to Reset adapter Kelmar SAS T470(C0):\n\n\t\t"
         "Adapter Successfully reset.\n\n" +
             kFinished,
         0},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(DefaultLabTest, Selection) {
    const std::string failedChoice = kStopped + kUnable;
    const Case cases[] = {
        // Hexadecimal: 10 is adapter 16.
        {{"-c", "10"}, failedChoice, 1},
        {{"-c", "0x3"}, Selected("T470(C0)") + kFinished, 0},
        {{"-c", "0"}, failedChoice, 1},
        {{"-cpci", "0:5:0:0"}, Selected("T420(B0)") + kFinished, 0},
        {{"-cpci", "x:a:0:0:0"}, Selected("T470(C0)") + kFinished, 0},
        // Ending inside the function field leaves the segment open.
        {{"-cpci", "0:2:0:0"}, Selected("T420E(B1)") + kFinished, 0},
        {{"-cpci", "0:2:0"}, failedChoice, 1},
        // As the help text writes it, the bus is skipped and nothing matches.
        {{"-cpci", "5:0:0"}, failedChoice, 1},
        {{"-cpci", "0:5:0:0:1"}, failedChoice, 1},
        {{"-cpci", "050000"},
         "\tERROR: PCI address 050000 has no colon; the format is x:bus:dev:func[:segment].\n" +
             failedChoice,
         1},
        {{"-o", "-c", "2", "-testssid", "103c:3229"},
         "\tAdvanced Mode Set\n\n" + Selected("T420(B0)") +
             "\tCurrent adapter verified for SSVID:SSDID (103c:3229)\n\n" + kFinished,
         0},
        {{"-o", "-testssid", "1000:3229", "-c", "2"},
         "\tAdvanced Mode Set\n\n" + Selected("T420(B0)") +
             "\tFailed SSVID:SSDID check\n\t\tSSVID to check: 1000 - SSVID found: 103c\n"
             "\t\tSSDID to check: 3229 - SSDID found: 3229\n" +
             failedChoice,
         1},
        {{"-o", "-testssid", "100:3050"},
         "\tAdvanced Mode Set\n\n" + Selected("T420E(B1)") +
             "\tIllegal SSVID value found (1000)\n" + failedChoice,
         1},
        {{"-o", "-testssid", "1000:305"},
         "\tAdvanced Mode Set\n\n" + Selected("T420E(B1)") +
             "\tIllegal SSDID value found (3050)\n" + failedChoice,
         1},
        // Only the advanced table knows -testssid.
        {{"-testssid", "1000:3050"}, Selected("T420E(B1)") + NotFound("06000018") + kUnable, 1},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(DefaultLabTest, OutputModes) {
    const std::string chipStatus = "\tChip status 20000000:\n\n";
    const Case cases[] = {
        {{"-debug", "-c", "2"}, Selected("T420(B0)") + chipStatus + kFinished, 0},
        {{"-s", "-debug", "-c", "2"}, Selected("T420(B0)") + chipStatus + kFinished, 0},
        // The last of -s and -debug decides.
        {{"-debug", "-s", "-c", "2"}, Selected("T420(B0)") + kFinished, 0},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(DefaultLabTest, LogHoldsWhatWasShownFromItsStart) {
    const ProcessResult result = Run({"-o", "-l", "run.log", "-cpci", "%s%n"});
    const std::string error =
        "\tERROR: PCI address %s%n has no colon; the format is x:bus:dev:func[:segment].\n";
    EXPECT_EQ(kBanner + "\tAdvanced Mode Set\n\n" + error + kStopped + kUnable, result.out);
    EXPECT_EQ(1, result.exitStatus);
    // Neither the banner nor what ran before -l.
    EXPECT_EQ(error + kStopped + kUnable, ReadTextFile(File("run.log")));

    // A name of 60 characters is cut to its first 51.
    const std::string longName(60, 'n');
    EXPECT_EQ(0, Run({"-l", longName, "-ver"}).exitStatus);
    EXPECT_TRUE(std::filesystem::exists(File(longName.substr(0, 51))));
}

TEST_F(DefaultLabTest, CommandFile) {
    WriteTextFile(File("cmds.txt"), "#-debug\r\n-c\t#x 2\n-c 2 #\n");
    WriteTextFile(File("ok.txt"), "#-debug\r\n  -c 2\n");
    std::string many;
    for (int i = 0; i < 50; ++i) many += "-s\n";
    WriteTextFile(File("many.txt"), many);
    const Case cases[] = {
        // A tab does not separate, so "-c\t#x" is one token and no option.
        {{"@cmds.txt"}, "\tERROR:  Invalid command -c\t#x\n\n" + kExitingProgram, 1},
        {{"@ok.txt"}, Selected("T420(B0)") + "\tChip status 20000000:\n\n" + kFinished, 0},
        {{"@many.txt"}, "ERROR: Command file many.txt holds more than 49 tokens\n", 1},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(DefaultLabTest, HelpPagesAtTwentyThreeLines) {
    const std::string firstPage =
        "-c x:\t\tChoose adapter by index.\n\t\tx = index of the adapter to choose.\n\n"
        "-cpci x:\tChoose adapter by PCI Address.\n\t\tx = string indicating PCI Address.\n\t\t"
        "Must be in format bus:dev:func:segment (segment optional).\n\n"
        "-testssid x:\tVerify adapter by SSVID and SSDID.\n\t\tx = string indicating SSVID and "
        "SSDID.\n\t\tMust be in format SSVID:SSDID.\n\n"
        "-verbose:\tSet output to verbose mode\n\n"
        "-s:\t\tSet output to silent mode.\n\n"
        "-l x:\t\tLog all output to file.\n\t\tx = the name of the log file.\n\n"
        "-f x:\t\tFlash firmware image.\n\t\tx = the firmware file to flash.\n\n";
    const std::string prompt = "\nPress ENTER To Continue. Q to quit... ";
    Expect({{"-h"}, firstPage + prompt + kFinished, 0, "q"});
    // Any other key goes on with the next page.
    const ProcessResult more = Run({"-o", "-?"}, "\n\n\n\n\n\n");
    EXPECT_EQ(0, more.exitStatus);
    EXPECT_NE(std::string::npos, more.out.find(prompt + "-fwall x:\tFlash firmware image to all"));
    EXPECT_NE(std::string::npos, more.out.find("-clear x:\t Clear persistent table\n"));
    // The -testls row announces 36 lines, so a page break always comes right before it.
    EXPECT_NE(std::string::npos, more.out.find(prompt + "-testls x y:"));
}

// Labs written by hand for discovery and the operational check.
class HandLabTest : public TesselTest {
  protected:
    void Controller(int ioc, const std::string& conf) { WriteController(lab_, ioc, conf); }
};

TEST_F(HandLabTest, SparseIocNumbersAndTheFamilyFilter) {
    Controller(0, "pci_device_id = 0x0058\npci_revision = 2\n");
    Controller(2, "pci_device_id = 0x0060\npci_revision = 2\n");
    Controller(7, "pci_device_id = 0x0062\npci_revision = 3\n");
    Controller(9, "pci_device_id = 0x0054\npci_revision = 7\n");
    const Case cases[] = {
        {{"-c", "1"}, Selected("T420E(B1)") + kFinished, 0},
        // The RAID-on-chip 0x0060 is not in the SAS family; 0x0062 is.
        {{"-c", "2"}, Selected("T470(C1)") + kFinished, 0},
        {{"-c", "3"}, Selected("unknown chip (PCI device 0x0054, revision 0x07)") + kFinished, 0},
        {{"-c", "4"}, kStopped + kUnable, 1},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(HandLabTest, DriverFallbackSequence) {
    WriteTextFile(lab_ + "/machine.conf",
                  "driver = mptctl\ndriver_loaded = no\ndriver_node = no\n");
    Controller(1, "pci_device_id = 0x0054\npci_revision = 1\n");
    const std::string trace = File("trace.log");
    ProcessRequest request;
    request.program = TESSEL_EMU_PATH;
    request.arguments = {"-c", "1"};
    request.environment = {{"TESSEL_LAB", lab_}, {"TESSEL_EMU_TRACE", trace}};
    const ProcessResult result = RunProcess(request);
    EXPECT_EQ(kBanner + Selected("T420(B0)") + kFinished, result.out);
    const std::string expectedStart =
        "open /dev/mptctl_sas -> -1 ENOENT\n"
        "system /sbin/modprobe mptctl_sas 2>/dev/null -> 256\n"
        "open /dev/mptctl_sas -> -1 ENOENT\n"
        "open /dev/mptctl -> -1 ENOENT\n"
        "system /sbin/modprobe mptctl 2>/dev/null -> 0\n"
        "open /dev/mptctl -> -1 ENOENT\n"
        "system /bin/mknod /dev/mptctl c 10 220 -> 0\n"
        "open /dev/mptctl -> 1000\n"
        "open /proc/mpt/ioc0 -> -1 ENOENT\n"
        "open /proc/mpt/ioc1 -> 1001\n";
    EXPECT_EQ(expectedStart, ReadTextFile(trace).substr(0, expectedStart.size()));
}

TEST_F(HandLabTest, ControllerWithoutRunningFirmware) {
    Controller(0, "pci_device_id = 0x0058\npci_revision = 2\nioc_state = fault\n");
    WriteTextFile(File("fw.bin"), "image");
    const std::string prompt =
        "\tController is not operational. A firmware download is required.\n"
        "Enter firmware file name or quit to exit: ";
    const Case cases[] = {
        {{"-c", "1"}, Selected("T420E(B1)") + prompt + kStopped + kUnable, 1, "quit\n"},
        {{"-c", "1"}, Selected("T420E(B1)") + prompt + kStopped + kUnable, 1, ""},
        {{"-c", "1"},
         Selected("T420E(B1)") + prompt + "\tERROR: Could not open file: nofile.bin:\n" + kStopped +
             kUnable,
         1,
         "nofile.bin\r\n"},
        // The named file becomes a queued flash that runs right after the choice.
        {{"-c", "1"},
         Selected("T420E(B1)") + prompt + "\tExecuting Operation: Flash Firmware Image\n\n" +
             "\tERROR: Firmware Image does not have a valid signature.\n\n" + kStopped + kUnable,
         1,
         "fw.bin\n"},
        // A flash already queued needs no prompt.
        {{"-f", "fw.bin"},
         Selected("T420E(B1)") + "\tExecuting Operation: Flash Firmware Image\n\n" +
             "\tERROR: Firmware Image does not have a valid signature.\n\n" + kStopped + kUnable,
         1},
        {{"-s", "-c", "1"},
         Selected("T420E(B1)") +
             "\tERROR: Selected Adapter does not have valid firmware!\n\tPlease run utility "
             "again and flash firmware.\n" +
             kStopped + kUnable,
         1},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(HandLabTest, MoreControllersThanTheStateTableHolds) {
    for (int ioc = 0; ioc < 129; ++ioc) Controller(ioc, "pci_device_id = 0x0058\n");
    Expect({{"-c", "1"},
            "\tERROR: More than 128 Kelmar SAS adapters found; Tessel handles at most 128.\n" +
                kExitingProgram,
            1});
}

}  // namespace
