#include <gtest/gtest.h>

#include <cerrno>

#include "common/bytes.h"
#include "flash/emulator/emulator_test_support.h"
#include "flash/pal/linux/sys_calls.h"

namespace emu_test {
namespace {

constexpr unsigned long kHardReset = 0xC00C6D18;

// A standard page of `words` dwords: header, then `fill` in every other byte.
Bytes StandardPage(uint8_t version, uint8_t number, uint8_t type, uint8_t words, uint8_t fill) {
    Bytes page(words * 4u, fill);
    page[0] = version;
    page[1] = words;
    page[2] = number;
    page[3] = type;
    return page;
}

const Bytes kPage5Current = StandardPage(2, 5, 9, 8, 0xC0);
const Bytes kPage5Nvram = StandardPage(2, 5, 9, 8, 0x5E);
const Bytes kPage5Default = StandardPage(2, 5, 9, 8, 0xDE);
const Bytes kPage3Current = StandardPage(1, 3, 9, 4, 0x33);

Bytes SasIoUnitPage0() {
    Bytes page(0x10 + 16 * 4, 0);
    ByteWriter out(page.data(), page.size());
    out.U8(0, 4);
    out.U8(3, 0x0F);
    out.U16(4, static_cast<uint16_t>(page.size() / 4));
    out.U8(6, 0x10);
    out.U8(0x0C, 4);
    for (size_t i = 0; i < 4; ++i) out.U8(0x13 + 16 * i, 9);
    return page;
}

class ConfigPages : public testing::Test {
  protected:
    void SetUp() override {
        lab_.Write("ioc0/controller.conf", "");
        lab_.Write("ioc0/pages/09-5.current.hex", "# page 5\n" + HexText(kPage5Current));
        lab_.Write("ioc0/pages/09-5.nvram.hex", HexText(kPage5Nvram));
        lab_.Write("ioc0/pages/09-5.default.hex", HexText(kPage5Default));
        lab_.Write("ioc0/pages/09-3.current.hex", HexText(kPage3Current));
        lab_.Write("ioc0/pages/0f-10-0.current.hex", HexText(SasIoUnitPage0()));
    }

    static CommandOutcome Config(const ConfigFields& fields, size_t dataInBytes = 0,
                                 Bytes dataOut = {}) {
        return SendCommand({.message = ConfigRequest(fields),
                            .replyBytes = 24,
                            .dataOut = std::move(dataOut),
                            .dataInBytes = dataInBytes});
    }

    static Bytes Read(uint8_t action, uint8_t type, uint8_t number, size_t bytes,
                      uint8_t extType = 0) {
        CommandOutcome read = Config(
            {.action = action, .pageType = type, .pageNumber = number, .extPageType = extType},
            bytes);
        EXPECT_EQ(read.call.result, 0);
        EXPECT_EQ(ReplyIocStatus(read.reply), 0u);
        return read.dataIn;
    }

    static CommandOutcome Write(uint8_t action, const Bytes& page) {
        return Config({.action = action,
                       .pageType = page[3],
                       .pageNumber = page[2],
                       .pageVersion = page[0],
                       .pageLength = page[1]},
                      0, page);
    }

    TempLab lab_;
};

TEST_F(ConfigPages, HeaderActionDescribesStandardAndExtendedPages) {
    CommandOutcome standard = Config({.action = 0, .pageType = 9, .pageNumber = 5});
    ASSERT_EQ(standard.call.result, 0);
    ByteReader reply(standard.reply.data(), standard.reply.size());
    EXPECT_EQ(reply.U8(2), 6u);
    EXPECT_EQ(reply.U8(3), 0x04u);
    EXPECT_EQ(reply.U16(14), 0u);
    EXPECT_EQ(reply.U16(4), 0u);
    EXPECT_EQ(reply.U32(20), 0x09050802u);  // version 2, 8 dwords, number 5, type 9

    CommandOutcome extended =
        Config({.action = 0, .pageType = 0x0F, .pageNumber = 0, .extPageType = 0x10});
    ASSERT_EQ(extended.call.result, 0);
    ByteReader ext(extended.reply.data(), extended.reply.size());
    EXPECT_EQ(ext.U16(14), 0u);
    EXPECT_EQ(ext.U16(4), SasIoUnitPage0().size() / 4);
    EXPECT_EQ(ext.U8(6), 0x10u);
    EXPECT_EQ(ext.U32(20), 0x0F000004u);  // version 4, length 0, number 0, type 0x0F
}

TEST_F(ConfigPages, EachReadActionAnswersItsOwnCopy) {
    EXPECT_EQ(Read(1, 9, 5, 32), kPage5Current);
    EXPECT_EQ(Read(6, 9, 5, 32), kPage5Nvram);
    EXPECT_EQ(Read(5, 9, 5, 32), kPage5Default);
    // The data-in buffer bounds the copy.
    EXPECT_EQ(Read(6, 9, 5, 10), Bytes(kPage5Nvram.begin(), kPage5Nvram.begin() + 10));
    EXPECT_EQ(Read(1, 0x0F, 0, 80, 0x10), SasIoUnitPage0());
}

TEST_F(ConfigPages, ControllerErrorsNameWhatIsWrongAndChangeNothing) {
    Bytes wrongLength = kPage5Nvram;
    wrongLength[1] = 7;
    struct Case {
        const char* name;
        ConfigFields fields;
        Bytes dataOut;
        uint16_t status;
    };
    const Case cases[] = {
        {"page type the controller lacks", {.action = 1, .pageType = 1}, {}, 0x0021},
        {"extended type the controller lacks",
         {.action = 0, .pageType = 0x0F, .extPageType = 0x11},
         {},
         0x0021},
        {"page number it lacks", {.action = 1, .pageType = 9, .pageNumber = 4}, {}, 0x0022},
        {"page address other than 0",
         {.action = 0, .pageType = 9, .pageNumber = 5, .pageAddress = 1},
         {},
         0x0022},
        {"restore defaults", {.action = 3, .pageType = 9, .pageNumber = 5}, kPage5Default, 0x0020},
        {"unknown action", {.action = 7, .pageType = 9, .pageNumber = 5}, {}, 0x0020},
        {"NVRAM read of a page without NVRAM copy",
         {.action = 6, .pageType = 9, .pageNumber = 3},
         {},
         0x0020},
        {"NVRAM write of a page without NVRAM copy",
         {.action = 4, .pageType = 9, .pageNumber = 3, .pageVersion = 1, .pageLength = 4},
         kPage3Current,
         0x0020},
        {"default read of a page without default copy",
         {.action = 5, .pageType = 9, .pageNumber = 3},
         {},
         0x0020},
        {"write with a header of another length",
         {.action = 4, .pageType = 9, .pageNumber = 5, .pageVersion = 2, .pageLength = 7},
         wrongLength,
         0x0022},
        {"write with a short buffer",
         {.action = 4, .pageType = 9, .pageNumber = 5, .pageVersion = 2, .pageLength = 8},
         Bytes(kPage5Nvram.begin(), kPage5Nvram.begin() + 28),
         0x0007},
    };
    std::string before = lab_.Read("ioc0/pages/09-5.nvram.hex");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommandOutcome answer = Config(c.fields, 32, c.dataOut);
        ASSERT_EQ(answer.call.result, 0);
        EXPECT_EQ(ReplyIocStatus(answer.reply), c.status);
        EXPECT_EQ(answer.dataIn, Bytes(32, 0xEE)) << "no page data goes back with an error";
    }
    EXPECT_EQ(lab_.Read("ioc0/pages/09-5.nvram.hex"), before);
    EXPECT_EQ(Read(1, 9, 5, 32), kPage5Current);
}

TEST_F(ConfigPages, NvramWritesPersistAndReachTheCurrentCopyAtTheNextReset) {
    Bytes programmed = kPage5Nvram;
    ByteWriter(programmed.data(), programmed.size()).U32(4, 0x80000000);
    ByteWriter(programmed.data(), programmed.size()).U32(8, 0x50000000);
    CommandOutcome write = Write(4, programmed);
    ASSERT_EQ(write.call.result, 0);
    ASSERT_EQ(ReplyIocStatus(write.reply), 0u);

    lab_.Reload();
    EXPECT_EQ(Read(6, 9, 5, 32), programmed);
    EXPECT_EQ(Read(1, 9, 5, 32), kPage5Current);
    EXPECT_EQ(Read(5, 9, 5, 32), kPage5Default);

    Bytes reset = HardResetStruct(0);
    ASSERT_EQ(ControlIoctl(kHardReset, reset.data()).result, 0);
    lab_.Reload();
    EXPECT_EQ(Read(1, 9, 5, 32), programmed);
}

TEST_F(ConfigPages, CurrentWritesPersistUntilAResetReloadsNvram) {
    Bytes changed = kPage3Current;
    changed[8] = 0x99;
    ASSERT_EQ(ReplyIocStatus(Write(2, changed).reply), 0u);
    Bytes page5 = kPage5Current;
    page5[20] = 0x42;
    ASSERT_EQ(ReplyIocStatus(Write(2, page5).reply), 0u);
    lab_.Reload();
    EXPECT_EQ(Read(1, 9, 3, 16), changed);
    EXPECT_EQ(Read(1, 9, 5, 32), page5);

    Bytes reset = HardResetStruct(0);
    ASSERT_EQ(ControlIoctl(kHardReset, reset.data()).result, 0);
    EXPECT_EQ(Read(1, 9, 3, 16), changed) << "a page without NVRAM copy keeps its current copy";
    EXPECT_EQ(Read(1, 9, 5, 32), kPage5Nvram);
}

TEST_F(ConfigPages, LinkRatesOfTheLabShowInSasIoUnitPage0) {
    lab_.Write("ioc0/controller.conf", "phy_link_rates = 8 0 9 1 9 9\n");
    lab_.Reload();
    Bytes page = Read(1, 0x0F, 0, 80, 0x10);
    ByteReader in(page.data(), page.size());
    // Four PHYs in the page: the rates past them change nothing.
    EXPECT_EQ(in.U8(0x13), 8u);
    EXPECT_EQ(in.U8(0x23), 0u);
    EXPECT_EQ(in.U8(0x33), 9u);
    EXPECT_EQ(in.U8(0x43), 1u);
    Bytes expected = SasIoUnitPage0();
    expected[0x13] = 8;
    expected[0x23] = 0;
    expected[0x43] = 1;
    EXPECT_EQ(page, expected);
}

}  // namespace
}  // namespace emu_test
