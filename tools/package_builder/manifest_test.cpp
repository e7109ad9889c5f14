#include "tools/package_builder/manifest.h"

#include <gtest/gtest.h>

#include "stub/package/delimited_list.h"
#include "stub/package/language_choice.h"
#include "stub/package/package_token.h"
#include "stub/package/package_trailer.h"
#include "tools/package_builder/package_writer.h"

TEST(Manifest, EverySectionReachesTheHeaderBlocks) {
    const std::string text = R"(# example
[package]
stub = WyvernStub.exe
flags = ShowSpaceNotice ShowActivityBar AgentLog
make-agent-copy = yes
checksum = compute
build-stamp = 3900000000
disk-size = 0x100000

[language English]
s0 = Example Setup
Charset = 0
[language Deutsch]
s0 = Beispiel

[update]
url = https://updates.example/
info-file = Example.info
agent-exe = ExampleAgent.exe
token = update-secret
run-hidden = 1

[web]
url = https://packages.example/
file = example.pkg
token-scrambled = cbbbbcfcfdsfcb
size = 123

[entry]
name = Engine.exe* /S
source = payload/Engine.exe
stamp = 1485238543

[entry]
name = data\cab1.cab
source = /abs/cab1.cab
method = stored
)";
    std::string error;
    const auto m = ParseManifest(text, "/base", error);
    ASSERT_TRUE(m) << error;
    EXPECT_EQ(m->stub, "/base/WyvernStub.exe");
    EXPECT_EQ(m->flags, kShowSpaceNotice | kShowActivityBar | kAgentLog);
    EXPECT_EQ(m->makeAgentCopy, 1);
    EXPECT_EQ(m->buildStamp, 3900000000u);
    EXPECT_EQ(m->diskSize, 0x100000u);
    ASSERT_EQ(m->entries.size(), 2u);
    EXPECT_EQ(m->entries[0].name, "Engine.exe* /S");
    EXPECT_EQ(m->entries[0].source, "/base/payload/Engine.exe");
    EXPECT_EQ(m->entries[0].dosStamp, 1485238543u);
    EXPECT_TRUE(m->entries[0].compressed);
    EXPECT_EQ(m->entries[1].source, "/abs/cab1.cab");
    EXPECT_FALSE(m->entries[1].compressed);
    EXPECT_EQ(m->entries[1].dosStamp, std::nullopt);

    std::vector<std::string> blocks;
    ASSERT_TRUE(HeaderBlocks(*m, blocks, error)) << error;
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0],
              "\x02\x01"
              "English\x01"
              "s0=Example Setup\x01"
              "Charset=0\x01\x02"
              "\x01"
              "Deutsch\x01"
              "s0=Beispiel\x01\x02");
    EXPECT_EQ(LangStringIn(ChooseLanguageSection(blocks[0], "GERMAN"), "s0", "-"), "Example Setup");
    const DelimitedList update(blocks[1]);
    EXPECT_EQ(update.ItemAt(0), "https://updates.example/");
    EXPECT_EQ(update.ItemAt(2), "ExampleAgent.exe");
    EXPECT_EQ(DecodeToken(update.ItemAt(3)), "update-secret");
    EXPECT_EQ(update.ItemAt(4), "1");
    EXPECT_EQ(blocks[2], "|https://packages.example/|example.pkg|0|cbbbbcfcfdsfcb|123|");
}

TEST(Manifest, DefaultsGiveAPackageWithoutAutoUpdate) {
    std::string error;
    const auto m = ParseManifest("[language English]\ns0=x\n", "", error);
    ASSERT_TRUE(m) << error;
    std::vector<std::string> blocks;
    ASSERT_TRUE(HeaderBlocks(*m, blocks, error));
    EXPECT_EQ(blocks, (std::vector<std::string>{"\x02\x01"
                                                "English\x01"
                                                "s0=x\x01\x02",
                                                "|http://|.info|.exe||0|"}));
}

TEST(Manifest, MistakesNameTheirLine) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"[bogus]\n", "line 1: unknown section [bogus]"},
        {"[package]\nflags = MoreDisk\n", "line 2: unknown flag MoreDisk"},
        {"[package]\n\nchecksum = maybe\n", "line 3: bad value for checksum: maybe"},
        {"name = x\n", "line 1: key outside a section"},
        {"[entry]\nname = a\n", "every [entry] needs a name and a source"},
        {"[entry]\nstamp = 0x100000000\n", "line 2: bad value for stamp: 0x100000000"},
        {"[update]\nnonsense\n", "line 2: expected key = value"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseManifest(c.text, "", error)) << c.text;
        EXPECT_EQ(error, c.error);
    }
    std::string error;
    const auto m = ParseManifest("[update]\nurl = a|b\n", "", error);
    ASSERT_TRUE(m);
    std::vector<std::string> blocks;
    EXPECT_FALSE(HeaderBlocks(*m, blocks, error));
}
