#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "common/bytes.h"
#include "flash/emulator/emulator_test_support.h"
#include "flash/pal/linux/sys_calls.h"

namespace emu_test {
namespace {

constexpr unsigned long kIocInfo = 0xC05C6D11;
constexpr unsigned long kHardReset = 0xC00C6D18;

constexpr const char* kIdentity =
    "pci_device_id = 0x0054\n"
    "pci_revision = 0x01\n"
    "subsystem_vendor_id = 0x103C\n"
    "subsystem_device_id = 0x3229\n"
    "pci_bus = 0x1a5\n"
    "pci_device = 0x1e\n"
    "pci_function = 6\n"
    "adapter_type = 0x11223344\n"
    "port = 3\n"
    "num_devices = 12\n"
    "host_id = 0x7e\n"
    "bios_version = 0x06100200\n"
    "bus_change_event = 1\n"
    "adapter_word = 0xCAFEF00D\n"
    "driver_version = \"abcdefghijklmnopqrstuvwxyz01234\"\n"
    "fw_version = 0x011D0203\n"
    "msg_version = 0x0102\n"
    "product_id = 0x2402\n"
    "number_of_ports = 4\n"
    "ioc_exceptions = 0x0011\n";

TEST(IocInfo, FillsEveryFieldAfterTheHeader) {
    TempLab lab;
    lab.Write("ioc7/controller.conf", kIdentity);
    Bytes info = IocInfoStruct(7);
    CallResult call = ControlIoctl(kIocInfo, info.data());
    ASSERT_EQ(call.result, 0) << call.error;
    ByteReader in(info.data(), info.size());
    EXPECT_EQ(in.U32(0), 7u);
    EXPECT_EQ(in.U32(8), 92u);
    EXPECT_EQ(in.U32(12), 0x11223344u);
    EXPECT_EQ(in.U32(16), 3u);
    EXPECT_EQ(in.U32(20), 0x0054u);
    EXPECT_EQ(in.U32(24), 0x01u);
    EXPECT_EQ(in.U32(28), 0x3229u);
    EXPECT_EQ(in.U32(32), 0x103Cu);
    EXPECT_EQ(in.U32(36), 12u);
    EXPECT_EQ(in.U32(40), 0x011D0203u);
    EXPECT_EQ(in.U32(44), 0x06100200u);
    std::string version(reinterpret_cast<const char*>(info.data() + 48), 32);
    EXPECT_EQ(version, std::string("abcdefghijklmnopqrstuvwxyz01234") + '\0');
    EXPECT_EQ(in.U8(80), 1u);
    EXPECT_EQ(in.U8(81), 0x7Eu);
    EXPECT_EQ(in.U16(82), 0u);
    EXPECT_EQ(in.U32(84), 0x1E | 6u << 5 | 0x1A5u << 8);
    EXPECT_EQ(in.U32(88), 0xCAFEF00Du);
}

TEST(IocInfo, ForeignRequestsAreRefusedLikeTheKernelDoes) {
    TempLab lab;
    lab.Write("ioc0/controller.conf", "");
    struct Case {
        const char* name;
        unsigned long request;
        Bytes arg;
        int error;
    };
    Bytes command(128);
    ByteWriter(command.data(), command.size()).U32(48, 3);
    ByteWriter(command.data(), command.size()).U32(64, 3);
    const Case cases[] = {
        {"unknown ioc (info)", kIocInfo, IocInfoStruct(1), ENODEV},
        {"unknown ioc (reset)", kHardReset, HardResetStruct(9), ENODEV},
        {"info of the wrong size", kIocInfo, IocInfoStruct(0, 88), EINVAL},
        {"command of the other width", ForeignCommandRequest(), command, EINVAL},
        {"unknown request", 0xC0106D99, command, ENOTTY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes arg = c.arg;
        CallResult call = ControlIoctl(c.request, arg.data());
        EXPECT_EQ(call.result, -1);
        EXPECT_EQ(call.error, c.error);
    }
    Command unknownIoc{.iocNumber = 4, .message = FactsRequest(), .replyBytes = 80};
    EXPECT_EQ(SendCommand(unknownIoc).call.error, ENODEV);
}

TEST(Command, FactsReplyCarriesTheControllerIdentity) {
    TempLab lab;
    lab.Write("ioc7/controller.conf", kIdentity);
    Bytes message = FactsRequest();
    ByteWriter(message.data(), message.size()).U32(8, 0x0BADCAFE);  // message context
    CommandOutcome facts = SendCommand({.iocNumber = 7, .message = message, .replyBytes = 80});
    ASSERT_EQ(facts.call.result, 0);
    ByteReader reply(facts.reply.data(), facts.reply.size());
    EXPECT_EQ(reply.U16(0), 0x0102u);
    EXPECT_EQ(reply.U8(2), 20u);
    EXPECT_EQ(reply.U8(3), 0x03u);
    EXPECT_EQ(reply.U32(8), 0x0BADCAFEu);
    EXPECT_EQ(reply.U16(12), 0x0011u);
    EXPECT_EQ(reply.U16(14), 0u);
    EXPECT_EQ(reply.U16(30), 0x2402u);
    EXPECT_EQ(reply.U8(38), 4u);
    EXPECT_EQ(reply.U32(56), 0x011D0203u);

    // A shorter reply buffer gets the start of the frame and nothing past it.
    CommandOutcome shortReply = SendCommand({.iocNumber = 7, .message = message, .replyBytes = 14});
    ASSERT_EQ(shortReply.call.result, 0);
    EXPECT_EQ(Bytes(facts.reply.begin(), facts.reply.begin() + 14), shortReply.reply);
}

TEST(Command, SasIoUnitControlAndUnknownFunctionsAreAnswered) {
    TempLab lab;
    lab.Write("ioc0/controller.conf", "");
    CommandOutcome clear =
        SendCommand({.message = SasIoUnitControlRequest(0x02, 0), .replyBytes = 20});
    ASSERT_EQ(clear.call.result, 0);
    EXPECT_EQ(clear.reply[0], 0x02);
    EXPECT_EQ(clear.reply[3], 0x1B);
    EXPECT_EQ(ReplyIocStatus(clear.reply), 0u);

    Bytes unknown(16);
    unknown[3] = 0x77;
    CommandOutcome answer = SendCommand({.message = unknown, .replyBytes = 24});
    ASSERT_EQ(answer.call.result, 0);
    EXPECT_EQ(answer.reply[2], 5);
    EXPECT_EQ(answer.reply[3], 0x77);
    EXPECT_EQ(ReplyIocStatus(answer.reply), 0x0001u);
}

TEST(Command, HostileFieldsAreRefusedWithoutTouchingAnyBuffer) {
    TempLab lab;
    lab.Write("ioc0/controller.conf", "");
    lab.Write("ioc0/regions/firmware.bin", std::string(64, 'f'));
    Bytes upload = FirmwareRequest(0x12, 1, 0, 64);
    Bytes shortConfig = ConfigRequest({.action = 1, .pageType = 9});
    shortConfig.resize(24);
    struct Case {
        const char* name;
        Command command;
        int error;
    };
    const Case cases[] = {
        {"dataSgeOffset far past the frame",
         {.message = FactsRequest(), .replyBytes = 80, .dataSgeOffset = 0x40000001},
         EINVAL},
        {"message longer than a request frame",
         {.message = Bytes(132, 0), .replyBytes = 80},
         EINVAL},
        {"message shorter than a message header",
         {.message = Bytes(8, 3), .replyBytes = 80},
         EINVAL},
        {"message too short for its function", {.message = shortConfig, .replyBytes = 24}, EINVAL},
        {"data-in size without a buffer",
         {.message = upload, .replyBytes = 24, .dataInBytes = 64, .nullDataIn = true},
         EFAULT},
        {"reply size without a buffer",
         {.message = FactsRequest(), .replyBytes = 80, .nullReply = true},
         EFAULT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommandOutcome outcome = SendCommand(c.command);
        EXPECT_EQ(outcome.call.result, -1);
        EXPECT_EQ(outcome.call.error, c.error);
        EXPECT_EQ(outcome.reply, Bytes(c.command.replyBytes, 0xEE));
        EXPECT_EQ(outcome.dataIn, Bytes(c.command.dataInBytes, 0xEE));
    }
}

TEST(Command, FaultAndResetStatesRefuseCommandsUntilAHardReset) {
    TempLab lab;
    lab.Write("ioc0/controller.conf", "ioc_state = fault\n");
    lab.Write("ioc1/controller.conf", "ioc_state = reset\n");
    lab.Write("ioc2/controller.conf", "ioc_state = ready\n");
    for (uint32_t ioc : {0u, 1u}) {
        CommandOutcome refused =
            SendCommand({.iocNumber = ioc, .message = FactsRequest(), .replyBytes = 80});
        EXPECT_EQ(refused.call.error, EIO) << ioc;
        Bytes info = IocInfoStruct(ioc);
        EXPECT_EQ(ControlIoctl(kIocInfo, info.data()).result, 0) << "information stays available";
    }
    EXPECT_EQ(
        SendCommand({.iocNumber = 2, .message = FactsRequest(), .replyBytes = 80}).call.result, 0);

    for (uint32_t ioc : {0u, 1u, 2u}) {
        Bytes reset = HardResetStruct(ioc);
        EXPECT_EQ(ControlIoctl(kHardReset, reset.data()).result, 0);
    }
    lab.Reload();
    EXPECT_EQ(
        SendCommand({.iocNumber = 0, .message = FactsRequest(), .replyBytes = 80}).call.result, 0);
    EXPECT_EQ(SendCommand({.iocNumber = 1, .message = FactsRequest(), .replyBytes = 80}).call.error,
              EIO)
        << "a chip held in reset has no firmware to come up with";
    EXPECT_NE(lab.Read("ioc0/controller.conf").find("ioc_state = operational"), std::string::npos);
    EXPECT_NE(lab.Read("ioc2/controller.conf").find("ioc_state = operational"), std::string::npos);
}

TEST(Trace, OneLinePerCallInTheDocumentedForm) {
    TempLab lab;
    lab.Write("ioc3/controller.conf", "");
    std::string trace = (lab.scratch() / "trace").string();
    ScopedEnv tracing("TESSEL_EMU_TRACE", trace.c_str());
    Bytes info = IocInfoStruct(3);
    ControlIoctl(kIocInfo, info.data());
    SendCommand({.iocNumber = 3, .message = FactsRequest(), .replyBytes = 80});
    SendCommand({.iocNumber = 3,
                 .message = ConfigRequest({.action = 0, .pageType = 9, .pageNumber = 5}),
                 .replyBytes = 24});
    SendCommand({.iocNumber = 3,
                 .message = ConfigRequest(
                     {.action = 0, .pageType = 0x0F, .pageNumber = 0, .extPageType = 0x10}),
                 .replyBytes = 24});
    SendCommand({.iocNumber = 3, .message = FirmwareRequest(0x12, 2, 0x10, 0), .replyBytes = 24});
    SendCommand({.iocNumber = 3, .message = SasIoUnitControlRequest(1, 0), .replyBytes = 20});
    SendCommand({.iocNumber = 3, .message = FactsRequest(), .replyBytes = 80, .dataSgeOffset = 64});
    Bytes reset = HardResetStruct(4);
    ControlIoctl(kHardReset, reset.data());
    PlatformSysCalls().system("true");

    std::ifstream in(trace);
    std::stringstream text;
    text << in.rdbuf();
    std::string expected;
    for (const char* ioctl : {
             "ioctl MPTIOCINFO ioc3 -> 0",
             "ioctl MPTCOMMAND ioc3 function 0x03 -> 0",
             "ioctl MPTCOMMAND ioc3 function 0x04 action 0 page 0x09/5 -> 0 iocstatus 0x0021",
             "ioctl MPTCOMMAND ioc3 function 0x04 action 0 page 0x0f/0x10/0 -> 0 iocstatus 0x0021",
             "ioctl MPTCOMMAND ioc3 function 0x12 type 2 offset 0x10 size 0x0 -> 0",
             "ioctl MPTCOMMAND ioc3 function 0x1b operation 0x01 phy 0 -> 0",
             "ioctl MPTCOMMAND -> -1 EINVAL",
             "ioctl MPTHARDRESET ioc4 -> -1 ENODEV",
         }) {
        expected += std::string("open /dev/mptctl_sas -> 1000\n") + ioctl + "\nclose 1000 -> 0\n";
    }
    expected += "system true -> 0\n";
    EXPECT_EQ(text.str(), expected);
}

}  // namespace
}  // namespace emu_test
