// Manufacturing data programmed by the built tessel-emu: the lab's NVRAM page files after the run,
// read back by -listsasadd, and every refusal leaving the pages as they were.
#include "flash/lab_test_files.h"
#include "flash/program_test_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kAdvanced = "\tAdvanced Mode Set\n\n";
const std::string kStart = kAdvanced + Selected("T420E(B1)");
const std::string kFailed = kStopped + kUnable;
const std::string kSasOp = "\tExecuting Operation: Program SAS Address\n\n";
const std::string kSasProgrammed = "\tSAS Address Successfully programmed!\n\n";
const std::string kSasFailed = "\tERROR:  SAS Address programming failed!\n\n";
const std::string kReset = "\t\tResetting Adapter:\n\t\tAdapter Successfully reset.\n\n";
const std::string kPrompt = "\tEnter the remaining 9 digits for the SAS address: ";

// Page 5 with the address 0x5000ABC000000100 and marker bytes in its other fields.
Bytes Page5() {
    Bytes payload(28, 0);
    const Bytes address = {0x00, 0x01, 0x00, 0x00, 0xC0, 0xAB, 0x00, 0x50};
    std::copy(address.begin(), address.end(), payload.begin());
    for (size_t i = 8; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(0xA0 + i);
    return StandardPage(0x09, 5, 2, payload);
}

// Page 0 with an old assembly and tracer number that fill their fields.
Bytes Page0() {
    Bytes payload(72, 0);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(0x40 + i % 26);
    return StandardPage(0x09, 0, 1, payload);
}

Bytes WithAddress(Bytes page, uint32_t high, uint32_t low) {
    for (int i = 0; i < 4; ++i) {
        page[4 + i] = static_cast<uint8_t>(low >> (8 * i));
        page[8 + i] = static_cast<uint8_t>(high >> (8 * i));
    }
    return page;
}

Bytes WithText(Bytes page, size_t offset, const std::string& sixteen) {
    std::copy(sixteen.begin(), sixteen.end(), page.begin() + offset);
    return page;
}

// IOC 0: a T420E with NVRAM and current copies of pages 0 and 5. IOC 1: a T420 whose pages have
// no NVRAM copy.
class ManufacturingTest : public TesselTest {
  protected:
    void SetUp() override {
        WriteController(lab_, 0, "pci_device_id = 0x0058\npci_revision = 2\n");
        for (const char* copy : {"nvram", "current"}) {
            WritePage(lab_, 0, std::string("09-5.") + copy, Page5());
            WritePage(lab_, 0, std::string("09-0.") + copy, Page0());
        }
        WriteController(lab_, 1, "pci_device_id = 0x0054\npci_revision = 1\n");
        WritePage(lab_, 1, "09-5.current", Page5());
        WritePage(lab_, 1, "09-0.current", Page0());
    }
    Bytes Nvram(int ioc, int page) {
        return ReadPage(lab_, ioc, "09-" + std::to_string(page) + ".nvram");
    }
};

TEST_F(ManufacturingTest, SasAddressLandsInNvramAndReadsBack) {
    Expect({{"-o", "-sasadd", "500605B0000272A1", "-listsasadd"},
            kStart + kSasOp + kSasProgrammed + kReset +
                "\tThe SAS Address for the controller is: 500605b-0-0002-72a1\n\n" + kFinished,
            0});
    EXPECT_EQ(WithAddress(Page5(), 0x500605B0, 0x000272A1), Nvram(0, 5));
    // The reset brought the NVRAM copy into the current one.
    EXPECT_EQ(Nvram(0, 5), ReadPage(lab_, 0, "09-5.current"));
}

TEST_F(ManufacturingTest, ScanCharacterFiltersTheAddress) {
    const std::string unable =
        "\tUnable to find matching character (*) in sas address string (5000000080000001)!\n";
    Expect({{"-o", "-scanchar", "*", "-sasadd", "ABC*5000000080000000"},
            kStart + kSasOp + kSasProgrammed + kReset + kFinished,
            0});
    EXPECT_EQ(WithAddress(Page5(), 0x50000000, 0x80000000), Nvram(0, 5));

    // Without the character the whole text goes on.
    Expect({{"-o", "-scanchar", "*", "-sasadd", "5000000080000001"},
            kStart + kSasOp + unable + kSasProgrammed + kReset + kFinished,
            0});
    EXPECT_EQ(WithAddress(Page5(), 0x50000000, 0x80000001), Nvram(0, 5));

    // The filter applies only to commands after it on the command line.
    Expect({{"-o", "-sasadd", "ABC*5000000080000002", "-scanchar", "*"},
            kStart + kSasOp +
                "\tERROR: SAS Address: ABC*5000000080000002 is invalid!\n"
                "\tSAS Address must be 16 numbers (0-F)\n\n" +
                kFailed,
            1});
    EXPECT_EQ(WithAddress(Page5(), 0x50000000, 0x80000001), Nvram(0, 5));
}

TEST_F(ManufacturingTest, RefusedAddressesLeaveThePage) {
    const std::string length = "\tSAS Address must be 16 numbers (0-F)\n\n";
    const struct {
        std::vector<std::string> arguments;
        std::string output;
    } rows[] = {
        {{"-sasadd", "500000008000000"},
         kSasOp + "\tERROR: SAS Address: 500000008000000 is invalid!\n" + length},
        {{"-sasadd", "50000000800000001"},
         kSasOp + "\tERROR: SAS Address: 50000000800000001 is invalid!\n" + length},
        {{"-sasadd", "500000008000000G"},
         kSasOp + "\tERROR: String 500000008000000G is not a valid number\n" + kSasFailed},
        // The number parser would read ":" as a digit and "0x" as a prefix; an address is refused
        // with either.
        {{"-sasadd", "50000000:0000000"},
         kSasOp + "\tERROR: String 50000000:0000000 is not a valid number\n" + kSasFailed},
        {{"-sasadd", "0x00000080000000"},
         kSasOp + "\tERROR: String 0x00000080000000 is not a valid number\n" + kSasFailed},
        {{"-sasadd", ""}, kSasOp + "Failed to get Sas Address from command line!\n\n"},
        // No NVRAM copy to read: nothing is written.
        {{"-c", "2", "-sasadd", "5000000080000000"}, kSasOp + kSasFailed},
        {{"-scanchar", "**"},
         "The scan character is too long (must be one character - found: 2)\n\n"},
        {{"-scanchar", ""}, "Illegal scan character found!\n\n"},
        {{"-sasaddhi", "500000"}, "Partial SAS Address should be 7 hex digits only (found: 6)\n\n"},
        {{"-sasaddhi", ""}, "Could not retrieve partial SAS address from command line\n\n"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> arguments = {"-o"};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const bool second = row.arguments[0] == "-c";
        Expect({arguments,
                kAdvanced + Selected(second ? "T420(B0)" : "T420E(B1)") + row.output + kFailed, 1});
        EXPECT_EQ(Page5(), Nvram(0, 5)) << row.arguments[1];
        EXPECT_EQ(Page5(), ReadPage(lab_, 1, "09-5.current")) << row.arguments[1];
    }
}

TEST_F(ManufacturingTest, PartialAddressCompletedAtTheConsole) {
    Expect({{"-o", "-sasaddhi", "5000ABC"},
            kStart + kPrompt + kSasProgrammed + kFinished,
            0,
            "D00000042\n"});
    EXPECT_EQ(WithAddress(Page5(), 0x5000ABCD, 0x00000042), Nvram(0, 5));
    // No reset on this path: the current copy still holds the old address.
    EXPECT_EQ(Page5(), ReadPage(lab_, 0, "09-5.current"));

    Expect({{"-o", "-scanchar", ":", "-sasaddhi", "5000ABC"},
            kStart + kPrompt + kSasProgrammed + kFinished,
            0,
            "SN:E00000043\r\n"});
    EXPECT_EQ(WithAddress(Page5(), 0x5000ABCE, 0x00000043), Nvram(0, 5));

    Expect({{"-o", "-sasaddhi", "5000ABC"},
            kStart + kPrompt + "Remaining SAS Address should be 9 hex digits only (found: 8)\n\n" +
                kFailed,
            1,
            "00000044\n"});
    Expect({{"-o", "-sasaddhi", "5000ABC"},
            kStart + kPrompt + "Remaining SAS Address should be 9 hex digits only (found: 0)\n\n" +
                kFailed,
            1,
            ""});
    EXPECT_EQ(WithAddress(Page5(), 0x5000ABCE, 0x00000043), Nvram(0, 5));
}

TEST_F(ManufacturingTest, AssemblyAndTracerNumbers) {
    const std::string assem = "\tExecuting Operation: Program Assembly Number\n\n";
    const std::string tracer = "\tExecuting Operation: Program Tracer Number\n\n";
    Expect({{"-o", "-assem", "A-01", "-tracer", "TRC0123456789ABCDEFG"},
            kStart + assem + "\t\tAssembly Successfully programmed!\n\n" + tracer +
                "\t\tInput String is longer than 16 characters and will be truncated.\n"
                "\t\tTracer Successfully programmed!\n\n" +
                kFinished,
            0});
    // A shorter text is followed by zeros up to the field's end; a longer one fills the field
    // without a terminating zero, leaving the byte after it alone.
    Bytes expected = WithText(Page0(), 0x2C, std::string("A-01") + std::string(12, '\0'));
    expected = WithText(expected, 0x3C, "TRC0123456789ABC");
    EXPECT_EQ(expected, Nvram(0, 0));

    Expect({{"-o", "-tracer", "0123456789ABCDEF"},
            kStart + tracer + "\t\tTracer Successfully programmed!\n\n" + kFinished,
            0});
    EXPECT_EQ(WithText(expected, 0x3C, "0123456789ABCDEF"), Nvram(0, 0));

    const Bytes before = Nvram(0, 0);
    Expect({{"-o", "-assem", ""},
            kStart + assem + "\t\tERROR:  Assembly programming failed!\n\n" + kFailed,
            1});
    Expect({{"-o", "-c", "2", "-tracer", "T"},
            kAdvanced + Selected("T420(B0)") + tracer +
                "\t\tERROR:  Tracer programming failed!\n\n" + kFailed,
            1});
    EXPECT_EQ(before, Nvram(0, 0));
    EXPECT_EQ(Page0(), ReadPage(lab_, 1, "09-0.current"));
    Expect({{"-assem", "A"}, Selected("T420E(B1)") + NotFound("05000012") + kUnable, 1});
}

}  // namespace
