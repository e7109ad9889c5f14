// The upload commands run by the built tessel-emu: each file compared byte for byte with the
// lab's region it copies, and the failures that must leave the file empty.
#include <filesystem>

#include "flash/lab_test_files.h"
#include "flash/program_test_fixture.h"
#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

const std::string kAdvanced = "\tAdvanced Mode Set\n\n";
const std::string kSucceeded = "\tUpload Succesful!\n\n";
const std::string kUploadFailed = "\tUpload FAILED!\n\n";
const std::string kFirmwareFailed = "\tERROR: Firmware Upload Failed!\n";
const std::string kFailed = kStopped + kUnable;

std::string Op(const std::string& name) {
    return "\tExecuting Operation: Upload " + name + "\n\n";
}

// The builder's standard image has FlashLayoutFlags 0x2 (the 1 MB layout).
Bytes Firmware(uint16_t deviceId, uint8_t revision, bool nvdata = true, uint32_t layout = 0x2) {
    imgb::FirmwareSpec spec;
    EXPECT_TRUE(imgb::StandardFirmwareSpec(deviceId, revision, 0x01200000, &spec));
    spec.flashLayoutFlags = layout;
    if (!nvdata) {
        std::erase_if(spec.extendedImages, [](const imgb::ExtendedImage& e) {
            return e.imageType == imgb::kExtTypeNvdata;
        });
    }
    return imgb::BuildFirmwareImage(spec);
}

// Bytes that no other region holds, so a file from the wrong region shows.
Bytes Pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

// The NVDATA extended image of a firmware image, found by following the links from the header.
Bytes NvdataOf(const Bytes& image) {
    auto word = [&](size_t at) {
        return uint32_t(image[at]) | uint32_t(image[at + 1]) << 8 | uint32_t(image[at + 2]) << 16 |
               uint32_t(image[at + 3]) << 24;
    };
    for (size_t at = word(0x30); at != 0 && at + 24 <= image.size(); at = word(at + 0x0C)) {
        if (image[at] == imgb::kExtTypeNvdata)
            return Bytes(image.begin() + at, image.begin() + at + word(at + 8));
    }
    return {};
}

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// IOC 0: a T420E on a 2 MB layout with every region. IOC 1: a T420 on the 1 MB layout. IOC 2: a
// T470 with an Ombra region. IOC 3: a T420E whose uploads are refused. IOC 4: a T420 whose
// firmware has no NVDATA image.
class UploadTest : public TesselTest {
  protected:
    void SetUp() override {
        WriteController(lab_, 0,
                        "pci_device_id = 0x0058\npci_revision = 2\nflash_size = 0x20000\n");
        WriteRegion(lab_, 0, "firmware.bin", firmware0_);
        WriteRegion(lab_, 0, "bios.bin", Pattern(0x1000, 1));
        WriteRegion(lab_, 0, "backup.bin", Pattern(0x3000, 2));
        WriteRegion(lab_, 0, "cbb.bin", Pattern(0x800, 3));

        WriteController(lab_, 1, "pci_device_id = 0x0054\npci_revision = 1\n");
        WriteRegion(lab_, 1, "firmware.bin", Firmware(0x0054, 1));

        WriteController(lab_, 2,
                        "pci_device_id = 0x0062\npci_revision = 2\nflash_size = 0x20000\n");
        WriteRegion(lab_, 2, "firmware.bin", t470_);
        WriteRegion(lab_, 2, "ombra.bin", Pattern(0x2000, 4));

        WriteController(lab_, 3,
                        "pci_device_id = 0x0058\npci_revision = 2\n"
                        "reply_status = function=0x12 status=0x0007\n");
        WriteRegion(lab_, 3, "firmware.bin", firmware0_);
        WriteRegion(lab_, 3, "bios.bin", Pattern(0x1000, 1));

        WriteController(lab_, 4, "pci_device_id = 0x0054\npci_revision = 1\n");
        WriteRegion(lab_, 4, "firmware.bin", Firmware(0x0054, 1, false));
    }

    std::string Output(const std::string& name) { return ReadTextFile(File(name)); }

    Bytes firmware0_ = Firmware(0x0058, 2, true, 0x3);
    // On the 1 MB layout: a T470 answers a whole-flash upload whatever its layout.
    Bytes t470_ = Firmware(0x0062, 2);
};

TEST_F(UploadTest, EachRegionByteForByte) {
    const std::string start = kAdvanced + Selected("T420E(B1)");
    Expect({{"-o", "-ufirmware", "fw.bin", "-ubios", "bios.bin", "-ufwbackup", "backup.bin",
             "-unvdata", "nvdata.bin", "-uflash", "flash.bin"},
            start + Op("Firmware") + kSucceeded + Op("BIOS") + kSucceeded +
                Op("Backup Firmware Area") + kSucceeded + Op("NVDATA") + kSucceeded +
                Op("Full Flash") + kSucceeded + kFinished,
            0});
    EXPECT_EQ(Text(firmware0_), Output("fw.bin"));
    EXPECT_EQ(Text(Pattern(0x1000, 1)), Output("bios.bin"));
    EXPECT_EQ(Text(Pattern(0x3000, 2)), Output("backup.bin"));
    const Bytes nvdata = NvdataOf(firmware0_);
    ASSERT_GT(nvdata.size(), 24u);
    EXPECT_EQ(Text(nvdata), Output("nvdata.bin"));
    // The whole flash: the regions in order, then erased bytes up to the flash size.
    std::string flash = Text(firmware0_) + Text(Pattern(0x1000, 1)) + Text(Pattern(0x3000, 2)) +
                        Text(Pattern(0x800, 3));
    flash.resize(0x20000, '\xFF');
    EXPECT_EQ(flash, Output("flash.bin"));

    // A file that existed before is replaced, not appended to.
    WriteTextFile(File("fw.bin"), std::string(0x10000, 'x'));
    Expect({{"-ufirmware", "fw.bin"},
            Selected("T420E(B1)") + Op("Firmware") + kSucceeded + kFinished,
            0});
    EXPECT_EQ(Text(firmware0_), Output("fw.bin"));
}

TEST_F(UploadTest, OmbraAndFullFlashOfAT470) {
    Expect({{"-o", "-c", "3", "-ufwombra", "ombra.bin", "-uflash", "flash.bin"},
            kAdvanced + Selected("T470(C0)") + Op("Ombra Firmware") + kSucceeded +
                Op("Full Flash") + kSucceeded + kFinished,
            0});
    EXPECT_EQ(Text(Pattern(0x2000, 4)), Output("ombra.bin"));
    std::string flash = Text(t470_) + Text(Pattern(0x2000, 4));
    flash.resize(0x20000, '\xFF');
    EXPECT_EQ(flash, Output("flash.bin"));
}

TEST_F(UploadTest, FullFlashOfA1MbLayoutIsOnlyAWarning) {
    Expect({{"-o", "-c", "2", "-uflash", "flash.bin", "-ufirmware", "fw.bin"},
            kAdvanced + Selected("T420(B0)") + Op("Full Flash") +
                "\tWARNING: This version of Firmware does not support full flash upload!\n" +
                "\tDue to Exception Command not Executed. IOCStatus=0x1, IOCLogInfo=0x0\n" +
                Op("Firmware") + kSucceeded + kFinished,
            0});
    EXPECT_EQ("", Output("flash.bin"));
    EXPECT_EQ(Text(Firmware(0x0054, 1)), Output("fw.bin"));
}

TEST_F(UploadTest, FailuresLeaveTheFileEmpty) {
    const std::string refused = kAdvanced + Selected("T420E(B1)");
    const struct {
        std::vector<std::string> arguments;
        std::string output;
    } rows[] = {
        {{"-o", "-c", "4", "-ufirmware", "out.bin"}, refused + Op("Firmware") + kUploadFailed},
        {{"-o", "-c", "4", "-ubios", "out.bin"}, refused + Op("BIOS") + kUploadFailed},
        {{"-o", "-c", "4", "-ufwbackup", "out.bin"},
         refused + Op("Backup Firmware Area") + kUploadFailed},
        {{"-o", "-c", "4", "-uflash", "out.bin"}, refused + Op("Full Flash") + kFirmwareFailed},
        {{"-o", "-c", "4", "-ufwombra", "out.bin"},
         refused + Op("Ombra Firmware") + kFirmwareFailed},
        {{"-o", "-c", "4", "-unvdata", "out.bin"}, refused + Op("NVDATA") + kUploadFailed},
        {{"-o", "-c", "5", "-unvdata", "out.bin"},
         kAdvanced + Selected("T420(B0)") + Op("NVDATA") + kUploadFailed},
        // A region the controller does not have: the Ombra region of a T420E.
        {{"-o", "-ufwombra", "out.bin"},
         kAdvanced + Selected("T420E(B1)") + Op("Ombra Firmware") + kSucceeded},
    };
    for (const auto& row : rows) {
        WriteTextFile(File("out.bin"), "old contents");
        const bool ok = row.output.find(kSucceeded) != std::string::npos;
        Expect({row.arguments, row.output + (ok ? kFinished : kFailed), ok ? 0 : 1});
        EXPECT_EQ("", Output("out.bin")) << row.arguments[3];
    }
    Expect({{"-unvdata", "out.bin"}, Selected("T420E(B1)") + NotFound("05000024") + kUnable, 1});
}

}  // namespace
