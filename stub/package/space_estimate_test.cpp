#include "stub/package/space_estimate.h"

#include <gtest/gtest.h>

#include "stub/package/test_package.h"

TEST(SpaceEstimate, MegabyteTexts) {
    const struct {
        double bytes;
        const char* text;
    } cases[] = {
        {0, "0.000"},        {-5, "0.000"},      {524288, "0.500"},    {1048576, "1.00"},
        {10485760, "10.00"}, {10485761, "10.0"}, {123456789, "117.7"}, {1572864, "1.50"},
    };
    for (const auto& c : cases) EXPECT_EQ(MegabyteText(c.bytes), c.text) << c.bytes;
}

namespace {

TGFileInfo InfoWith(uint8_t flags, const std::string& language) {
    PackageTrailer t = testpkg::BaseTrailer(0);
    t.flags = flags;
    for (uint32_t i = 0; i < kSpaceNeededCount; ++i) t.spaceNeeded[i] = 1000 * (i + 1);
    std::string file = testpkg::StubImage() + testpkg::Block(int32_t(language.size()), language) +
                       testpkg::Block(2, "||");
    t.packageStart = 1024;
    MemoryFileReader reader(file + testpkg::TrailerBytes(t));
    return TGFileInfo(&reader);
}

}  // namespace

TEST(SpaceEstimate, SpaceNeededForClusterSize) {
    const TGFileInfo info = InfoWith(0, testpkg::kLanguage);
    const struct {
        uint32_t cluster;
        double need;
    } cases[] = {{0, 1000}, {511, 1000}, {512, 2000}, {4096, 5000}, {65536, 9000}, {1 << 20, 9000}};
    for (const auto& c : cases) EXPECT_EQ(info.SpaceNeededFor(c.cluster), c.need) << c.cluster;
}

TEST(SpaceEstimate, NoticeOnlyWhenAskedForOrShort) {
    const std::string language =
        "\x02\x01"
        "English\x01"
        "s6=<P>Go on?\x01\x02";
    LanguageContext english(9);
    EXPECT_EQ(SpaceNoticeText(InfoWith(0, language), english, "c:\\t", 100, 200), "");
    EXPECT_EQ(SpaceNoticeText(InfoWith(kShowSpaceNotice, language), english, "c:\\t", 0, 2097152),
              "Wyvern will extract files to your Temp Drive (C:)<P>"
              "<P>Estimated space required on your Temp drive is: <T>  0.000 MB<P>"
              "Free space available on your Temp drive is: <T>  2.00 MB<P><P>Go on?");
    // Equal counts as short.
    EXPECT_EQ(SpaceNoticeText(InfoWith(kShowSpaceNotice, language), english, "", 20971520, 20971520)
                  .substr(0, 50),
              "Limited Free Space on your Temp Drive! ()<P><P>Est");
}
