#include "stub/package/tg_file_info.h"

#include <gtest/gtest.h>

#include "stub/package/package_token.h"
#include "stub/package/test_package.h"

using testpkg::Block;

namespace {

std::string PackageWith(const std::vector<std::string>& headers, uint8_t headerCount) {
    std::string file = testpkg::StubImage();
    for (const auto& h : headers) file += Block(int32_t(h.size()), h);
    file += testpkg::StoredEntry("|a.txt|0|", "data");
    PackageTrailer t = testpkg::BaseTrailer(1024, 1);
    t.headerBlockCount = headerCount;
    t.makeAgentCopy = 1;
    t.flags = kShowActivityBar | kRelaunchFromCopy;
    return file + testpkg::TrailerBytes(t);
}

}  // namespace

TEST(TGFileInfo, ReadsHeaderBlocksAndAnswersTheAccessors) {
    const std::string token = EncodeToken("web-token", 5);
    const std::string update =
        "|https://upd.example/|C:\\x\\Prog.Setup.info|Agent.exe|" + EncodeToken("upd", 3) + "|1|";
    const std::string web = "|http://pkg/|pkg.exe|1|" + token + "|123456|";
    MemoryFileReader file(PackageWith({testpkg::kLanguage, update, web}, 3));
    const TGFileInfo info(&file);
    ASSERT_TRUE(info.valid());
    EXPECT_EQ(info.trailer().packageStart,
              1024 + 12 + testpkg::kLanguage.size() + update.size() + web.size());
    EXPECT_EQ(info.UpdateURL(), "https://upd.example/");
    EXPECT_EQ(info.InfoFileName(), "Prog.Setup.info");
    EXPECT_EQ(info.OriginalFileName(), "Prog.original");
    EXPECT_EQ(info.AgentExeName(), "Agent.exe");
    EXPECT_EQ(info.UpdateToken(true), "upd");
    EXPECT_TRUE(info.RunHidden());
    EXPECT_EQ(info.PackageURL(), "http://pkg/");
    EXPECT_EQ(info.PackageFileName(), "pkg.exe");
    EXPECT_TRUE(info.AlwaysDownload());
    EXPECT_EQ(info.WebToken(false), token);
    EXPECT_EQ(info.WebToken(true), "web-token");
    EXPECT_EQ(info.PackageSize(), "123456");
    EXPECT_TRUE(info.MakeAgentCopy());
    EXPECT_TRUE(info.ShowActivityBar());
    EXPECT_TRUE(info.RelaunchFromCopy());
    EXPECT_FALSE(info.MoreDisks());
    LanguageContext english(9);
    EXPECT_EQ(info.LangString("s0", "x", english), "Title");

    const std::string otherWeb = "|u|f|0|" + EncodeToken("web-token", 77) + "|1|";
    MemoryFileReader other(PackageWith({testpkg::kLanguage, update, otherWeb}, 3));
    EXPECT_TRUE(info.SameWebToken(TGFileInfo(&other)));
}

TEST(TGFileInfo, UnreadablePackagesLeaveEverythingEmpty) {
    std::string wrongMagic = PackageWith({testpkg::kLanguage, "|u|"}, 2);
    wrongMagic[wrongMagic.size() - 74 + 12] = 0;
    std::string headerPastTrailer = PackageWith({testpkg::kLanguage, "|u|"}, 2);
    ByteWriter(headerPastTrailer.data(), headerPastTrailer.size()).U32(1024, 0x7FFFFFF0);
    for (const std::string& bytes : {wrongMagic, headerPastTrailer, std::string("junk")}) {
        MemoryFileReader file(bytes);
        const TGFileInfo info(&file);
        EXPECT_FALSE(info.valid());
        EXPECT_EQ(info.languageBlock(), "");
        EXPECT_EQ(info.UpdateURL(), "");
        LanguageContext english(9);
        EXPECT_EQ(info.LangString("s0", "Default", english), "Default");
    }
    const TGFileInfo missing(nullptr);
    EXPECT_EQ(missing.trailer().magic, 0u);
    EXPECT_EQ(missing.LangFontName(), "Tahoma");
    EXPECT_EQ(missing.LangFontSize(), 8);
    EXPECT_EQ(missing.LangCharset(), 0);
}

TEST(TGFileInfo, TwoHeaderBlocksLeaveWebParamsEmpty) {
    MemoryFileReader file(PackageWith({"\x02\x01X\x01"
                                       "FontSize=big\x01"
                                       "Charset=177\x01\x02",
                                       "|u|i|a||0|"},
                                      0));
    const TGFileInfo info(&file);
    ASSERT_TRUE(info.valid());
    EXPECT_EQ(info.webParams(), "");
    EXPECT_FALSE(info.RunHidden());
    LanguageContext any(7);
    EXPECT_EQ(info.LangString("FontSize", "8", any), "big");
}
