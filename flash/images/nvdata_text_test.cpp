// The NVDATA text: how it splits into tokens and which bytes each field value writes.
#include "flash/images/nvdata_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/bytes.h"

namespace {

struct TokenCase {
    const char* name;
    std::string text;
    std::vector<std::string> tokens;  // then the result that ends the walk
    NvdataToken last;
    unsigned lastLine = 0;  // checked when not 0
};

TEST(NvdataTokenizerTest, SplitsLikeTheFormatSays) {
    const std::string longest(95, 'A');
    const TokenCase cases[] = {
        {"white space of every kind", "A B\tC\r\nD", {"A", "B", "C", "D"}, NvdataToken::kEnd},
        {"equals sign ends a token and is consumed",
         "A=B A= B",
         {"A", "B", "A", "B"},
         NvdataToken::kEnd},
        {"equals sign where a token starts ends the text", "A =B C", {"A"}, NvdataToken::kEnd},
        {"a second equals sign ends the text", "A==B", {"A"}, NvdataToken::kEnd},
        {"comments run to the line end", "; x y\nA ; B\nC", {"A", "C"}, NvdataToken::kEnd},
        {"a semicolon ends the token it touches",
         "0x62;T470 id\nB",
         {"0x62", "B"},
         NvdataToken::kEnd},
        {"quoted strings keep quotes, blanks and separators",
         "\"a b=c;d\" E",
         {"\"a b=c;d\"", "E"},
         NvdataToken::kEnd},
        {"a quoted token goes on after its closing quote",
         "\"ab\"cd=E",
         {"\"ab\"cd", "E"},
         NvdataToken::kEnd},
        {"an empty quoted string", "\"\"", {"\"\""}, NvdataToken::kEnd},
        {"a zero byte ends the text", std::string("A\0B", 3), {"A"}, NvdataToken::kEnd},
        {"the longest token fits", longest + " B", {longest, "B"}, NvdataToken::kEnd},
        {"one character more is refused", "A\n\n" + longest + "B", {"A"}, NvdataToken::kTooLong, 3},
        {"a quoted string without its end",
         "A\n\"abc\n def",
         {"A"},
         NvdataToken::kUnclosedQuote,
         2},
        {"a quote inside a token opens nothing", "ab\"c d", {"ab\"c", "d"}, NvdataToken::kEnd},
    };
    for (const TokenCase& c : cases) {
        SCOPED_TRACE(c.name);
        NvdataTokenizer tokens(c.text.data(), c.text.size());
        std::vector<std::string> seen;
        NvdataToken result;
        while ((result = tokens.Next()) == NvdataToken::kToken) seen.push_back(tokens.token());
        EXPECT_EQ(c.tokens, seen);
        EXPECT_EQ(c.last, result);
        if (c.lastLine) {
            EXPECT_EQ(c.lastLine, tokens.line());
        }
        EXPECT_EQ(NvdataToken::kEnd, tokens.Next()) << "the walk stays ended";
    }
}

// A parsed text and a look at its buffers.
class NvdataValueTest : public testing::Test {
  protected:
    bool Parse(const std::string& sections) {
        const std::string text = "SASDATA_VERSION_CHECK 0x2D\n" + sections;
        pages_ = std::make_unique<NvdataPages>();
        testing::internal::CaptureStdout();
        const bool parsed = ParseNvdataText(text.data(), text.size(), pages_.get());
        output_ = testing::internal::GetCapturedStdout();
        return parsed;
    }
    std::vector<uint8_t> Page(const char* section, size_t offset, size_t count) const {
        const int index = FindNvdataSection(section);
        EXPECT_GE(index, 0) << section;
        const uint8_t* page = pages_->page[index < 0 ? 0 : index];
        return {page + offset, page + offset + count};
    }
    std::vector<uint8_t> Identity(size_t offset, size_t count) const {
        return {pages_->identity + offset, pages_->identity + offset + count};
    }

    std::unique_ptr<NvdataPages> pages_;
    std::string output_;
};

using Bytes = std::vector<uint8_t>;

struct ValueCase {
    const char* name;
    std::string section;  // one section's body
    const char* sectionName;
    size_t offset;
    Bytes expected;  // from offset on
};

TEST_F(NvdataValueTest, NumbersAndTextsLandAtTheirFieldsOnly) {
    const ValueCase cases[] = {
        {"eight digits fill a 32-bit field",
         "OPTIONROMOFFSETFUNC0 12345678",
         "SECTION_IOC_MFG_PAGE_2",
         0x28,
         {0x78, 0x56, 0x34, 0x12, 0}},
        // Ten characters: the eight digits after the prefix are the high half, the field gets 0.
        {"prefixed eight digits are the high half",
         "OPTIONROMOFFSETFUNC0 0x12345678",
         "SECTION_IOC_MFG_PAGE_2",
         0x28,
         {0, 0, 0, 0}},
        {"sixteen digits: the field takes the low half",
         "OPTIONROMOFFSETFUNC0 1111111122334455",
         "SECTION_IOC_MFG_PAGE_2",
         0x28,
         {0x55, 0x44, 0x33, 0x22}},
        {"a u16 writes two bytes",
         "DEVICE_ID 12345",
         "SECTION_IOC_MFG_PAGE_2",
         0x04,
         {0x45, 0x23, 0}},
        {"a u8 writes the low byte only",
         "PCI_REVISION 1FF",
         "SECTION_IOC_MFG_PAGE_2",
         0x06,
         {0xFF, 0}},
        {"a semicolon behind a number is no digit",
         "PCI_REVISION 1;comment",
         "SECTION_IOC_MFG_PAGE_2",
         0x06,
         {0x01, 0}},
        {"an empty prefix is zero",
         "PCI_REVISION 5 PCI_REVISION 0x",
         "SECTION_IOC_MFG_PAGE_2",
         0x06,
         {0}},
        {"the later value wins",
         "PCI_REVISION 5 PCI_REVISION 7",
         "SECTION_IOC_MFG_PAGE_2",
         0x06,
         {7}},
        {"a shorter text keeps the zeros after it",
         "CHIP_NAME \"ab\"",
         "SECTION_MANUFACTURING_PAGE_0",
         0x04,
         {'a', 'b', 0, 0}},
        {"a long text stops at its extent",
         "CHIP_NAME \"0123456789abcdefXYZ\"",
         "SECTION_MANUFACTURING_PAGE_0",
         0x10,
         {'c', 'd', 'e', 'f', 0, 0}},  // CHIP_REVISION at 0x14 untouched
        {"text after the closing quote is not copied",
         "CHIP_REVISION \"ab\"cd",
         "SECTION_MANUFACTURING_PAGE_0",
         0x14,
         {'a', 'b', 0}},
        {"a number for a text field fills its first byte",
         "CHIP_NAME 1234",
         "SECTION_MANUFACTURING_PAGE_0",
         0x04,
         {0x34, 0}},
        {"a text for a number field stays in its width",
         "DEVICE_ID \"xyz\"",
         "SECTION_IOC_MFG_PAGE_2",
         0x04,
         {'x', 'y', 0}},
        {"page header fields write the buffer's header",
         "PAGE_VERSION 3 PAGE_TYPE 9",
         "SECTION_IO_UNIT_PAGE_1",
         0x00,
         {3, 0, 0, 9}},
        {"fields sharing bytes: the later wins",
         "RESERVED 1 PCIELANECONFIG 2",
         "SECTION_IOC_MFG_PAGE_3",
         0x1E,
         {2, 0}},
        {"a 32-bit extended length reaches the ext type byte",
         "EXT_PAGE_LENGTH 11223344",
         "SECTION_SAS_ENCLOSURE_0",
         0x04,
         {0x44, 0x33, 0x22, 0x11}},
        {"a bad number leaves the field and the rest goes on",
         "PCI_REVISION 4 PCI_REVISION xyz",
         "SECTION_IOC_MFG_PAGE_2",
         0x06,
         {4}},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string sectionName = c.sectionName;
        ASSERT_TRUE(Parse(sectionName + "\n" + c.section + "\nEND_SECTION\n")) << output_;
        EXPECT_EQ(c.expected, Page(c.sectionName, c.offset, c.expected.size()));
    }
}

TEST_F(NvdataValueTest, SameFieldNameWritesEachSectionsOwnOffset) {
    ASSERT_TRUE(
        Parse("SECTION_IOC_MFG_PAGE_2 DEVICE_ID 0x0054 END_SECTION\n"
              "SECTION_IOC_PAGE_0 DEVICE_ID 0x0062 END_SECTION\n"
              "SECTION_IOC_MFG_PAGE_2 PCI_REVISION 2 END_SECTION\n"));
    EXPECT_EQ((Bytes{0x54, 0x00, 0x02}), Page("SECTION_IOC_MFG_PAGE_2", 0x04, 3));
    EXPECT_EQ((Bytes{0, 0, 0x62, 0x00}), Page("SECTION_IOC_PAGE_0", 0x0C, 4));
    EXPECT_EQ(0x0054, NvdataDeviceId(*pages_));
}

TEST_F(NvdataValueTest, GeneralDataFillsHeaderAndIdentity) {
    ASSERT_TRUE(
        Parse("SECTION_GENERAL_DATA\n"
              "USER_VERSION 0x0103\n"
              "NVDATA_PRODUCTID \"SAS T420        \"\n"
              "NVDATA_VENDORID \"KELMAR  \"\n"  // its zero lands on the product id
              "NVDATA_PRODUCT_REVISION \"A1\"\n"
              "END_SECTION\n"));
    EXPECT_EQ(0x0103, ByteReader(pages_->header, sizeof pages_->header).U16(0x08));
    EXPECT_EQ((Bytes{'K', 'E', 'L', 'M', 'A', 'R', ' ', ' ', 0, 'A', 'S'}), Identity(0x04, 11));
    // The product id's own zero lands on the revision and is overwritten by it.
    EXPECT_EQ((Bytes{'A', '1', 0}), Identity(0x1C, 3));

    ASSERT_TRUE(
        Parse("SECTION_GENERAL_DATA NVDATA_VENDORID \"KELMAR  \" "
              "NVDATA_PRODUCTID \"SAS\" END_SECTION"));
    EXPECT_EQ((Bytes{' ', 'S', 'A', 'S', 0, 0}), Identity(0x0B, 6));
    ASSERT_TRUE(Parse("SECTION_GENERAL_DATA NVDATA_VENDORID \"KELMAR SAS HBA\" END_SECTION"));
    EXPECT_EQ((Bytes{'K', 'E', 'L', 'M', 'A', 'R', ' ', 'S', 0, 0}), Identity(0x04, 10));
}

TEST_F(NvdataValueTest, ForceUpdateTakesBitZero) {
    ASSERT_TRUE(
        Parse("SECTION_BIOS_1 FORCEUPDATE 3 END_SECTION\n"
              "SECTION_BIOS_2 FORCEUPDATE 2 END_SECTION\n"
              "SECTION_PERSISTENT_ID FORCEUPDATE 1 PERSISTID_SASADDRESS_LOW_0 5 "
              "END_SECTION\n"
              "SECTION_LOG_0 FORCEUPDATE 1 FORCEUPDATE \"1\" END_SECTION\n"));
    EXPECT_TRUE(pages_->forceUpdate[FindNvdataSection("SECTION_BIOS_1")]);
    EXPECT_FALSE(pages_->forceUpdate[FindNvdataSection("SECTION_BIOS_2")]);
    EXPECT_TRUE(pages_->forceUpdate[FindNvdataSection("SECTION_PERSISTENT_ID")]);
    // A text has no bit to give; the flag keeps what it had.
    EXPECT_TRUE(pages_->forceUpdate[FindNvdataSection("SECTION_LOG_0")]);
    EXPECT_NE(std::string::npos, output_.find("\t\tValue FORCEUPDATE had illegal int value\n"));
}

TEST_F(NvdataValueTest, VersionLineAcceptsTheLowByte) {
    for (const char* version : {"2D", "0x2D", "0X2d", "1F2D", "0x00002D", "12345678ABCD2D"}) {
        const std::string text =
            std::string("SASDATA_VERSION_CHECK ") + version + "\nSECTION_BIOS_4 END_SECTION";
        NvdataPages pages{};
        testing::internal::CaptureStdout();
        EXPECT_TRUE(ParseNvdataText(text.data(), text.size(), &pages)) << version;
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(kNvdataMajorVersion, pages.majorVersion) << version;
    }
}

}  // namespace
