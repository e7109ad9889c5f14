// Reset, erase, -clear and the pass/fail tests run by the built tessel-emu: the exact text, the
// exit status a script sees, and what reached the controller.
#include "flash/lab_test_files.h"
#include "flash/program_test_fixture.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

const std::string kAdvanced = "\tAdvanced Mode Set\n\n";
const std::string kT420E = Selected("T420E(B1)");
const std::string kFailed = kStopped + kUnable;

std::string Exception(unsigned status) {
    char text[96];
    std::snprintf(text, sizeof text,
                  "\tDue to Exception Command not Executed. IOCStatus=0x%x, IOCLogInfo=0x0\n",
                  status);
    return text;
}

Bytes Firmware(uint16_t deviceId, uint8_t revision, uint32_t version) {
    imgb::FirmwareSpec spec;
    EXPECT_TRUE(imgb::StandardFirmwareSpec(deviceId, revision, version, &spec));
    return imgb::BuildFirmwareImage(spec);
}

// The boot services region: an x86 BIOS of version 07.15.00.03 first, then an EFI driver.
Bytes BiosRegion(uint16_t deviceId) {
    imgb::RomSpec x86;
    x86.deviceId = deviceId;
    x86.codeRevision = 0x0715;
    x86.versionBytes[1] = 3;
    x86.blocks = 1;
    imgb::RomSpec efi = x86;
    efi.codeType = imgb::kCodeTypeEfi;
    efi.codeRevision = 0x4301;
    return imgb::BuildBootServicesRegion({imgb::BuildRomImage(x86), imgb::BuildRomImage(efi)}, {});
}

// SAS IO unit page 0 (extended type 0x10) giving `count` PHYs with room for `entries` of them.
Bytes SasIoUnitPage(uint8_t count, size_t entries, const std::vector<uint8_t>& rates) {
    Bytes page(0x10 + 16 * entries);
    page[0] = 0x04;
    page[3] = 0x0F;
    page[4] = static_cast<uint8_t>(page.size() / 4);
    page[6] = 0x10;
    page[0x0C] = count;
    for (size_t i = 0; i < entries; ++i) {
        page[0x10 + 16 * i] = static_cast<uint8_t>(i);
        if (i < rates.size()) page[0x13 + 16 * i] = rates[i];
    }
    return page;
}

// IOC 0: a T420E running 01.32.00.00 (product id 0x2204) with a BIOS region and six PHYs.
// IOC 1: a T420 whose uploads and SAS IO unit page are refused. IOC 2: a T420 whose page counts
// eight PHYs but holds two.
class SelfTestTest : public TesselTest {
  protected:
    void SetUp() override {
        WriteController(lab_, 0, "pci_device_id = 0x0058\npci_revision = 2\n");
        WriteRegion(lab_, 0, "firmware.bin", Firmware(0x0058, 2, 0x01200000));
        WriteRegion(lab_, 0, "bios.bin", BiosRegion(0x0058));
        WritePage(lab_, 0, "0f-10-0.current", SasIoUnitPage(6, 6, {9, 8, 0, 1, 2, 3}));

        WriteController(lab_, 1,
                        "pci_device_id = 0x0054\npci_revision = 1\n"
                        "reply_status = function=0x12 status=0x0007\n"
                        "reply_status = function=0x04 ext_page_type=0x10 status=0x0022\n");
        WriteRegion(lab_, 1, "firmware.bin", Firmware(0x0054, 1, 0x011D0000));
        WritePage(lab_, 1, "0f-10-0.current", SasIoUnitPage(4, 4, {9, 9, 9, 9}));

        WriteController(lab_, 2, "pci_device_id = 0x0054\npci_revision = 1\n");
        WritePage(lab_, 2, "0f-10-0.current", SasIoUnitPage(8, 2, {8, 9}));
    }

    // Runs with a trace of the controller requests and answers it.
    std::string Traced(const std::vector<std::string>& arguments, ProcessResult* result) {
        const std::string trace = File("trace");
        std::filesystem::remove(trace);
        ProcessRequest request;
        request.program = TESSEL_EMU_PATH;
        request.arguments = arguments;
        request.environment = {{"TESSEL_LAB", lab_}, {"TESSEL_EMU_TRACE", trace}};
        request.workingDirectory = dir_.path();
        *result = RunProcess(request);
        return std::filesystem::exists(trace) ? ReadTextFile(trace) : "";
    }
};

TEST_F(SelfTestTest, LinkStateOfEveryPhy) {
    const std::string op = "\tExecuting Operation: Test Link State ALL\n\n";
    const std::string failed = "\tTest Link State All FAILED!\n\n";
    const Case cases[] = {
        {{"-o", "-testlsall"},
         kAdvanced + kT420E + op +
             "\tPhy 0: 3.0 Gbps\n\tPhy 1: 1.5 Gbps\n\tPhy 2: Link Down\n\tPhy 3: Link Down\n"
             "\tPhy 4: Link Down\n\tPhy 5: Unknown!\n\n\tTest Link State All PASSED!\n\n" +
             kFinished,
         0},
        // A page that counts more PHYs than it holds lists only those it holds.
        {{"-o", "-c", "3", "-testlsall"},
         kAdvanced + Selected("T420(B0)") + op +
             "\tPhy 0: 1.5 Gbps\n\tPhy 1: 3.0 Gbps\n\n\tTest Link State All PASSED!\n\n" +
             kFinished,
         0},
        {{"-o", "-c", "2", "-testlsall"},
         kAdvanced + Selected("T420(B0)") + op + failed + kFailed,
         1},
        {{"-o", "-debug", "-c", "2", "-testlsall"},
         kAdvanced + Selected("T420(B0)") + "\tChip status 20000000:\n\n" + op +
             "\tError reading SAS IO Unit Page 0\n" + failed + kFailed,
         1},
        {{"-testlsall"}, kT420E + NotFound("04000033") + kUnable, 1},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(SelfTestTest, LinkStateOfOnePhy) {
    const std::string op = "\tExecuting Operation: Test Link State\n\n";
    const std::string passed = op + "\tTest Link State PASSED!\n\n";
    const std::string failed = "\tTest Link State FAILED!\n\n";
    const struct {
        const char* phy;
        const char* code;
        std::string output;
    } rows[] = {
        {"0", "2", passed + kFinished},
        {"1", "1", passed + kFinished},
        {"2", "0", passed + kFinished},
        {"3", "0", passed + kFinished},
        // Rate 2 is named "Link Down" by -testlsall, but code 0 accepts only 0 and 1.
        {"4", "0", op + failed + kFailed},
        {"0", "1", op + failed + kFailed},
        {"5", "2", op + failed + kFailed},
        {"6", "0", op + "\tERROR: PHY specified is not valid!\n\n" + failed + kFailed},
        {"0", "3", op + "\tERROR: Link Rate code specified is not valid!\n\n" + failed + kFailed},
    };
    for (const auto& row : rows) {
        const bool pass = row.output.find("PASSED") != std::string::npos;
        Expect(
            {{"-o", "-testls", row.phy, row.code}, kAdvanced + kT420E + row.output, pass ? 0 : 1});
    }
    // A failed test stops the commands after it.
    Expect(
        {{"-o", "-testls", "4", "0", "-testlsall"}, kAdvanced + kT420E + op + failed + kFailed, 1});
    Expect({{"-o", "-c", "2", "-testls", "0", "0"},
            kAdvanced + Selected("T420(B0)") + op + failed + kFailed,
            1});
}

TEST_F(SelfTestTest, VersionsAndProductId) {
    const std::string fw = "\tExecuting Operation: Test Firmware Version\n\n";
    const std::string fwOk = fw + "\tFirmware Version check SUCCESSFUL!\n\n";
    const std::string fwFailed = "\tFirmware Version check FAILED!\n\n";
    const std::string fwFormat =
        "\tERROR: Format of Firmware Version specified is not correct!\n\n";
    const std::string bios = "\tExecuting Operation: Test BIOS Version\n\n";
    const std::string biosOk = bios + "\tBIOS Version check SUCCESSFUL!\n\n";
    const std::string prod = "\tExecuting Operation: Test Product ID\n\n";
    const std::string other = kAdvanced + Selected("T420(B0)");
    const Case cases[] = {
        {{"-o", "-testfw", "01.32.00.00"}, kAdvanced + kT420E + fwOk + kFinished, 0},
        {{"-o", "-testfw", "1.32.0.0"}, kAdvanced + kT420E + fwOk + kFinished, 0},
        {{"-o", "-testfw", "01.31.00.00"}, kAdvanced + kT420E + fw + fwFailed + kFailed, 1},
        {{"-o", "-testfw", "01.32.00"}, kAdvanced + kT420E + fw + fwFormat + fwFailed + kFailed, 1},
        {{"-o", "-testfw", ""},
         kAdvanced + kT420E + fw +
             "\tERROR: Failed to get Firmware Version from command line!\n\n" + fwFormat +
             fwFailed + kFailed,
         1},
        // Firmware that cannot be read passes; the refusal is still reported.
        {{"-o", "-c", "2", "-testfw", "09.09.09.09"}, other + fwOk + Exception(7) + kFinished, 0},
        {{"-o", "-testbios", "07.21.00.03"}, kAdvanced + kT420E + biosOk + kFinished, 0},
        {{"-o", "-testbios", "07.20.00.03"},
         kAdvanced + kT420E + bios + "\tBIOS Version check FAILED!\n\n" + kFailed,
         1},
        {{"-o", "-testbios", "7.21.0.3.0"},
         kAdvanced + kT420E + bios +
             "\tERROR: Format of BIOS Version specified is not correct!\n\n"
             "\tBIOS Version check FAILED!\n\n" +
             kFailed,
         1},
        {{"-o", "-c", "2", "-testbios", "1.1.1.1"}, other + biosOk + Exception(7) + kFinished, 0},
        {{"-o", "-testprodid", "2204"},
         kAdvanced + kT420E + prod + "\tTest Product ID PASSED!\n\n" + kFinished,
         0},
        {{"-o", "-testprodid", "0x2204", "-testfw", "01.32.00.00"},
         kAdvanced + kT420E + prod + "\tTest Product ID PASSED!\n\n" + fwOk + kFinished,
         0},
        {{"-o", "-testprodid", "2202"},
         kAdvanced + kT420E + prod + "\tTest Product ID FAILED! (Prod Id = 0x2204)\n\n" + kFailed,
         1},
        // All 32 bits are compared.
        {{"-o", "-testprodid", "12204"},
         kAdvanced + kT420E + prod + "\tTest Product ID FAILED! (Prod Id = 0x2204)\n\n" + kFailed,
         1},
        {{"-o", "-c", "2", "-testprodid", "0"},
         other + prod + "\tTest Product ID FAILED! (Prod Id = 0x0)\n\n" + kFailed,
         1},
    };
    for (const Case& c : cases) Expect(c);
}

TEST_F(SelfTestTest, ResetLeavesTheControllerOperational) {
    WriteController(lab_, 0, "pci_device_id = 0x0058\npci_revision = 2\nioc_state = ready\n");
    ProcessResult result;
    const std::string calls = Traced({"-o", "-reset"}, &result);
    EXPECT_EQ(kBanner + kAdvanced + kT420E +
                  "\tExecuting Operation: Reset Adapter\n\n\t\tAdapter Successfully reset.\n\n" +
                  kFinished,
              result.out);
    EXPECT_EQ(0, result.exitStatus);
    EXPECT_NE(std::string::npos, calls.find("ioctl MPTHARDRESET ioc0 -> 0"));
    EXPECT_NE(std::string::npos,
              ReadTextFile(IocDirectory(lab_, 0) + "/controller.conf").find("operational"));

    // A failed reset is reported, and the command still succeeds.
    WriteController(lab_, 0, "pci_device_id = 0x0058\npci_revision = 2\nfail_reset = yes\n");
    Expect({{"-o", "-reset"},
            kAdvanced + kT420E +
                "\tExecuting Operation: Reset Adapter\n\n\t\tAdapter reset Failed!.\n\n" +
                kFinished,
            0});
}

TEST_F(SelfTestTest, EraseIsNotSupportedOnLinux) {
    const std::string op = "\tExecuting Operation: Erase Flash\n\n";
    const std::string notSupported = "\t\tErase Flash Command not Supported on this platform.\n\n";
    const struct {
        const char* option;
        std::string line;
    } rows[] = {
        {"1", "\t\tThere will be a slight pause while the NVSRAM is erased.\n\n"},
        {"2", "\t\tThere will be a slight pause while the\n\t\tbackup firmware is erased.\n\n"},
        {"3", "\t\tThere will be a slight pause while the\n\t\tPersistent Pages are erased.\n\n"},
        {"4", "\t\tThere will be a slight pause while the\n\t\tManufacturing Area are erased.\n\n"},
        {"5", "\t\tThere will be a slight pause while the\n\t\tBoot Services are erased.\n\n"},
        {"6",
         "\t\tThere will be a slight pause while the\n\t\tMPI_TOOLBOX_CLEAN_FLASH is being "
         "performed.\n\n"},
        {"7", "\t\tThere will be a slight pause while the\n\t\tentire flash is being erased.\n\n"},
        // Only the low byte selects the option: 263 is 7.
        {"263",
         "\t\tThere will be a slight pause while the\n\t\tentire flash is being erased.\n\n"},
        {"9", "\t\tERROR: Not a valid erase option.\n\n"},
        {"0", "\t\tERROR: Not a valid erase option.\n\n"},
    };
    const Bytes firmware = ReadRegion(lab_, 0, "firmware.bin");
    for (const auto& row : rows) {
        ProcessResult result;
        const std::string calls = Traced({"-o", "-e", row.option, "-testlsall"}, &result);
        const std::string expected = kAdvanced + kT420E + op + row.line + notSupported +
                                     Exception(1) + "\tExecuting Operation: Test Link State ALL";
        EXPECT_EQ(kBanner + expected, result.out.substr(0, kBanner.size() + expected.size()))
            << row.option;
        EXPECT_EQ(0, result.exitStatus) << row.option;
        EXPECT_EQ(std::string::npos, calls.find("MPTHARDRESET")) << row.option;
    }
    EXPECT_EQ(firmware, ReadRegion(lab_, 0, "firmware.bin"));
    Expect({{"-e", "1"}, kT420E + NotFound("04000014") + kUnable, 1});
}

TEST_F(SelfTestTest, ClearPersistentTable) {
    const struct {
        const char* option;
        const char* operation;  // sent to the controller, null for none
        std::string output;
        int exitStatus;
    } rows[] = {
        {"1", "operation 0x02", kAdvanced + kT420E + kFinished, 0},
        {"2", "operation 0x01", kAdvanced + kT420E + kFinished, 0},
        {"3", nullptr, kAdvanced + kT420E + kFailed, 1},
        {"0", nullptr, kAdvanced + kT420E + kFailed, 1},
    };
    for (const auto& row : rows) {
        ProcessResult result;
        const std::string calls = Traced({"-o", "-clear", row.option}, &result);
        EXPECT_EQ(kBanner + row.output, result.out) << row.option;
        EXPECT_EQ(row.exitStatus, result.exitStatus) << row.option;
        EXPECT_EQ(row.operation != nullptr, calls.find("function 0x1b") != std::string::npos)
            << row.option;
        if (row.operation) {
            EXPECT_NE(std::string::npos, calls.find(row.operation)) << row.option;
        }
    }
}

}  // namespace
