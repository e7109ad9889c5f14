#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "common/bytes.h"
#include "flash/emulator/emulator_test_support.h"
#include "flash/pal/linux/sys_calls.h"

namespace emu_test {
namespace {

constexpr unsigned long kIocInfo = 0xC05C6D11;

bool ProcEntryOpens(int ioc) {
    const SysCalls& sys = PlatformSysCalls();
    std::string path = "/proc/mpt/ioc" + std::to_string(ioc);
    int fd = sys.open(path.c_str(), O_RDONLY);
    if (fd >= 0) sys.close(fd);
    return fd >= 0;
}

TEST(Lab, AMalformedControllerIsNamedAndLeftOut) {
    struct Case {
        const char* file;
        const char* contents;
        const char* message;  // what stderr must say, after the file name
    };
    const Case cases[] = {
        {"controller.conf", "pci_device_id = 0x58\nmystery = 1\n",
         "controller.conf:2: unknown key \"mystery\""},
        {"controller.conf", "pci_revision = 0x100\n", "controller.conf:1: pci_revision = 0x100"},
        {"controller.conf", "pending_firmware = maybe\n", "controller.conf:1:"},
        {"controller.conf", "host_id = 1\nhost_id = 2\n",
         "controller.conf:2: \"host_id\" is given twice"},
        {"controller.conf", "just words\n", "controller.conf:1: expected \"key = value\""},
        {"controller.conf", "fail_ioctl = reboot\n", "controller.conf:1:"},
        {"controller.conf", "reply_status = function=0x09 page_type=9 status=1\n",
         "controller.conf:1:"},
        {"controller.conf", "driver_version = 0123456789012345678901234567890123\n",
         "controller.conf:1:"},
        {"pages/09-5.nvram.hex", "00 02 05 09\n00 00 0g 00\n", "09-5.nvram.hex:2: \"0g\""},
        {"pages/09-5.nvram.hex", "00 02 05 09 00\n", "09-5.nvram.hex: a page holds"},
        {"pages/09-five.nvram.hex", "00 02 05 09\n", "09-five.nvram.hex: a page file is named"},
        {"pages/0f-0.current.hex", "00 02 05 09\n", "0f-0.current.hex: a page file is named"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.contents);
        TempLab lab;
        lab.Write("ioc0/controller.conf", "");
        lab.Write("ioc1/controller.conf", "");
        lab.Write(std::string("ioc1/") + c.file, c.contents);
        testing::internal::CaptureStderr();
        EXPECT_TRUE(ProcEntryOpens(0));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find((lab.root() / "ioc1").string()), std::string::npos) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_NE(err.find("ioc1 is left out"), std::string::npos) << err;
        EXPECT_FALSE(ProcEntryOpens(1));
        Bytes info = IocInfoStruct(1);
        EXPECT_EQ(ControlIoctl(kIocInfo, info.data()).error, ENODEV);
    }
}

TEST(Lab, AControllerWithoutDescriptionOrAMalformedMachineIsReported) {
    TempLab lab;
    lab.Write("ioc4/regions/firmware.bin", "x");
    lab.Write("ioc5/controller.conf", "");
    lab.Write("iocfive/controller.conf", "");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(ProcEntryOpens(5));
    EXPECT_FALSE(ProcEntryOpens(4));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("ioc4/controller.conf: cannot be read"),
              std::string::npos);

    lab.Write("machine.conf", "driver = mptctl_sas\ndriver_loaded = sometimes\n");
    lab.Reload();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ProcEntryOpens(5));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("machine.conf:2:"), std::string::npos);
}

TEST(Lab, MissingLabBecomesTheDefaultLab) {
    TempLab scratch;
    std::filesystem::path root = scratch.scratch() / "new/nested/lab";
    ScopedEnv labEnv("TESSEL_LAB", root.c_str());
    scratch.Reload();
    for (int ioc = 0; ioc < 8; ++ioc)
        EXPECT_EQ(ProcEntryOpens(ioc), ioc == 0 || ioc == 2 || ioc == 5) << ioc;

    struct Expected {
        uint32_t ioc, deviceId, revision, subsystemVendor, bus;
    };
    for (Expected e : {Expected{0, 0x0058, 2, 0x1000, 0x02}, Expected{2, 0x0054, 1, 0x103C, 0x05},
                       Expected{5, 0x0062, 2, 0x1000, 0x0A}}) {
        Bytes info = IocInfoStruct(e.ioc);
        ASSERT_EQ(ControlIoctl(kIocInfo, info.data()).result, 0);
        ByteReader in(info.data(), info.size());
        EXPECT_EQ(in.U32(20), e.deviceId);
        EXPECT_EQ(in.U32(24), e.revision);
        EXPECT_EQ(in.U32(32), e.subsystemVendor);
        EXPECT_EQ(in.U32(84), e.bus << 8);

        // Manufacturing pages 0, 1, 2, 5 and SAS IO unit page 0 in every copy.
        for (uint8_t action : {1, 5, 6}) {
            for (uint8_t number : {0, 1, 2, 5}) {
                CommandOutcome page =
                    SendCommand({.iocNumber = e.ioc,
                                 .message = ConfigRequest(
                                     {.action = action, .pageType = 9, .pageNumber = number}),
                                 .replyBytes = 24,
                                 .dataInBytes = 4});
                EXPECT_EQ(ReplyIocStatus(page.reply), 0u) << int(action) << " " << int(number);
            }
            CommandOutcome sas = SendCommand(
                {.iocNumber = e.ioc,
                 .message = ConfigRequest(
                     {.action = action, .pageType = 0x0F, .pageNumber = 0, .extPageType = 0x10}),
                 .replyBytes = 24,
                 .dataInBytes = 16});
            EXPECT_EQ(ReplyIocStatus(sas.reply), 0u);
            EXPECT_EQ(sas.dataIn[0x0C], 8) << "eight PHYs";
        }
        CommandOutcome flash = SendCommand(
            {.iocNumber = e.ioc, .message = FirmwareRequest(0x12, 1, 0, 0), .replyBytes = 24});
        EXPECT_GT(ByteReader(flash.reply.data(), 24).U32(20), 0u) << "a firmware region";
    }
    EXPECT_TRUE(std::filesystem::exists(root / "ioc5/regions/cbb.bin"));
    EXPECT_TRUE(std::filesystem::exists(root / "machine.conf"));
}

TEST(Lab, DefaultVpdCarriesAValidChecksumAndTheVersionKeywords) {
    TempLab scratch;
    std::filesystem::path root = scratch.scratch() / "lab";
    ScopedEnv labEnv("TESSEL_LAB", root.c_str());
    scratch.Reload();
    CommandOutcome page =
        SendCommand({.iocNumber = 2,
                     .message = ConfigRequest({.action = 6, .pageType = 9, .pageNumber = 1}),
                     .replyBytes = 24,
                     .dataInBytes = 260});
    ASSERT_EQ(ReplyIocStatus(page.reply), 0u);
    Bytes vpd(page.dataIn.begin() + 4, page.dataIn.end());
    ASSERT_EQ(vpd[0], 0x82);
    size_t position = 3 + (vpd[1] | vpd[2] << 8);
    ASSERT_EQ(vpd[position], 0x90);
    size_t end = position + 3 + (vpd[position + 1] | vpd[position + 2] << 8);
    std::string keywords;
    uint8_t sum = 0;
    for (size_t i = 0; i < end; ++i) sum = static_cast<uint8_t>(sum + vpd[i]);
    for (size_t at = position + 3; at < end; at += 3 + vpd[at + 2]) {
        keywords += std::string(vpd.begin() + static_cast<long>(at),
                                vpd.begin() + static_cast<long>(at) + 2) +
                    " ";
    }
    EXPECT_EQ(keywords, "PN SN V1 V3 RV ");
    EXPECT_EQ(sum, 0) << "the checksum closes the read-only resource";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(vpd.data()) + end - 16, 12),
              std::string("01.29.00.00") + '\0');
}

TEST(Lab, WithoutTesselLabTheDefaultLabLivesInTheStateDirectory) {
    TempLab scratch;
    ScopedEnv labEnv("TESSEL_LAB", nullptr);
    std::filesystem::path state = scratch.scratch() / "state";
    ScopedEnv xdg("XDG_STATE_HOME", state.c_str());
    scratch.Reload();
    EXPECT_TRUE(ProcEntryOpens(2));
    EXPECT_TRUE(std::filesystem::exists(state / "tessel-emu/default-lab/ioc2/controller.conf"));

    std::filesystem::path home = scratch.scratch() / "home";
    ScopedEnv noXdg("XDG_STATE_HOME", nullptr);
    ScopedEnv homeEnv("HOME", home.c_str());
    scratch.Reload();
    EXPECT_TRUE(ProcEntryOpens(5));
    EXPECT_TRUE(std::filesystem::exists(home / ".local/state/tessel-emu/default-lab/machine.conf"));
}

}  // namespace
}  // namespace emu_test
