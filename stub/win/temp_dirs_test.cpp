#include "stub/win/temp_dirs.h"

#include <gtest/gtest.h>

#include "stub/package/test_package.h"
#include "stub/win/files_test_support.h"
#include "stub/win/win_files.h"

namespace {

constexpr uint32_t kStamp = 0x58862C0F;

// A tree with files of every attribute kind, two levels deep.
void MakeTree(const Sandbox& box, const std::string& root, bool readOnly) {
    box.MakeDirectory(root);
    box.MakeDirectory(root + "\\sub");
    box.MakeDirectory(root + "\\sub\\deeper");
    box.MakeDirectory(root + "\\empty");
    const std::pair<const char*, DWORD> files[] = {
        {"\\plain.txt", FILE_ATTRIBUTE_NORMAL},
        {"\\sub\\hidden.txt", FILE_ATTRIBUTE_HIDDEN},
        {"\\sub\\deeper\\system.txt", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN},
        {"\\sub\\deeper\\archive.txt", FILE_ATTRIBUTE_ARCHIVE},
        {"\\sub\\readonly.txt", readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL},
    };
    for (const auto& [name, attributes] : files) {
        box.Write(root + name, "x");
        SetFileAttributesA(box.Path(root + name).c_str(), attributes);
    }
}

TEST(RemoveTree, RemovesNestedContentOfEveryKind) {
    Sandbox box;
    MakeTree(box, "tree", true);
    EXPECT_TRUE(RemoveTree(box.Path("tree"), true));
    EXPECT_FALSE(box.Exists("tree"));
    EXPECT_FALSE(RemoveTree(box.Path("tree"), true));  // it was not there

    MakeTree(box, "plain", false);
    EXPECT_TRUE(RemoveTree(box.Path("plain") + "\\", false));
    EXPECT_FALSE(box.Exists("plain"));
}

TEST(RemoveTree, KeepsReadOnlyFilesUnlessAttributesAreCleared) {
    Sandbox box;
    MakeTree(box, "tree", true);
    EXPECT_FALSE(RemoveTree(box.Path("tree"), false));
    EXPECT_TRUE(box.Exists("tree\\sub\\readonly.txt"));
    EXPECT_FALSE(box.Exists("tree\\plain.txt"));
    EXPECT_FALSE(box.Exists("tree\\sub\\deeper"));
    EXPECT_TRUE(RemoveTree(box.Path("tree"), true));
}

TEST(SetupDir, IsNamedByTheStubTimeAndMadeAfreshOncePerProcess) {
    Sandbox box;
    const std::string stub = box.Path("setup.exe");
    ASSERT_TRUE(WriteFileData(stub, "MZ", 2, kStamp, false));
    SetSetupDirSource(stub);
    const std::string expected = SystemTempPath() + "SETUP_" + std::to_string(kStamp & 0xFFFF);
    EXPECT_EQ(expected.substr(expected.size() - 12), "\\SETUP_11279");

    // A leftover of an earlier run, read-only file included, goes first.
    CreateDirectoryTree(expected + "\\old\\deeper");
    WriteFileData(expected + "\\old\\deeper\\stale.txt", "x", 1, 0, false);
    SetFileAttributesA((expected + "\\old\\deeper\\stale.txt").c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(SetupDir(), expected);
    EXPECT_TRUE(IsExistingDirectory(expected));
    EXPECT_FALSE(IsExistingDirectory(expected + "\\old"));

    WriteFileData(expected + "\\extracted.txt", "x", 1, 0, false);
    EXPECT_EQ(SetupDir(), expected);
    EXPECT_TRUE(IsExistingFile(expected + "\\extracted.txt"));
    EXPECT_TRUE(RemoveTree(expected, true));
}

TEST(FreeDiskSpace, AsksTheDirectoryThenItsDrive) {
    const std::string temp = SystemTempPath();
    std::string slashed = temp;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    for (const std::string& path :
         {temp, slashed, std::string("c:\\no\\such\\dir"), std::string("c:"), std::string("C:\\")})
        EXPECT_GT(FreeDiskSpace(path), 0) << path;
    EXPECT_EQ(FreeDiskSpace(""), 0);
    EXPECT_EQ(FreeDiskSpace("Q:\\no\\drive"), 0);

    const uint32_t cluster = ClusterSize(temp);
    EXPECT_GT(cluster, 0u);
    EXPECT_EQ(cluster & (cluster - 1), 0u);
    EXPECT_EQ(ClusterSize("Q:\\"), 0u);
}

TEST(CheckSpace, NeedsAnExistingDirectoryWithRoom) {
    Sandbox box;
    const std::string archive = filestest::BuildPackage(box, {{"a.txt", "abc", true, 0}});
    EXPECT_TRUE(CheckSpace(box.root(), archive));
    EXPECT_FALSE(CheckSpace(box.Path("not-made"), archive));
    EXPECT_FALSE(CheckSpace("Q:\\no\\drive", archive));
}

TEST(SpaceNotice, AsksWhenThePackageSaysSoOrSpaceIsShort) {
    PackageTrailer trailer = testpkg::BaseTrailer(0);
    trailer.spaceNeeded.fill(5 << 20);
    const std::string quiet = testpkg::Package({}, &trailer);
    trailer.flags = kShowSpaceNotice;
    const std::string noisy = testpkg::Package({}, &trailer);
    MemoryFileReader quietFile(quiet), noisyFile(noisy);
    const TGFileInfo quietInfo(&quietFile), noisyInfo(&noisyFile);
    const std::string temp = SystemTempPath();
    ASSERT_EQ(temp.substr(0, 2), "C:");

    struct Case {
        const TGFileInfo& info;
        std::string directory;
        bool answer;
        std::string start;  // of the question; empty: not asked
        bool result;
    };
    const Case cases[] = {
        {quietInfo, temp, false, "", true},
        {noisyInfo, temp, true, "Wyvern will extract files to your Temp Drive (C:)<P>", true},
        {noisyInfo, temp, false, "Wyvern will extract files to your Temp Drive (C:)<P>", false},
        // Nothing free on a drive that is not there: the short-space text replaces the other.
        {noisyInfo, "q:\\x", true, "Limited Free Space on your Temp Drive! (Q:)<P>", true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> asked;
        LanguageContext english;
        const bool result = SpaceNotice(
            c.directory, c.info,
            [&](const std::string& text) { return asked.push_back(text), c.answer; }, english);
        EXPECT_EQ(result, c.result) << c.start;
        if (c.start.empty()) {
            EXPECT_TRUE(asked.empty());
            continue;
        }
        ASSERT_EQ(asked.size(), 1u) << c.start;
        EXPECT_EQ(asked[0].substr(0, c.start.size()), c.start);
        EXPECT_NE(asked[0].find("required on your Temp drive is: <T>  5.00 MB<P>"),
                  std::string::npos);
        EXPECT_NE(asked[0].find("<P>Continue with Setup?<P>"), std::string::npos);
    }
}

TEST(AltTempDir, LiesOnAnotherFixedDriveThanTheSystemTemp) {
    // The system temp path on a drive outside C, D and E makes C the better choice.
    SetEnvironmentVariableA("TMP", "Z:\\nowhere\\");
    SetEnvironmentVariableA("TEMP", "Z:\\nowhere\\");
    ASSERT_EQ(SystemTempPath(), "Z:\\nowhere\\");
    const bool cExisted = IsExistingDirectory("C:\\TEMP");
    ASSERT_TRUE(FindAltTempDrive());
    EXPECT_EQ(IsExistingDirectory("C:\\TEMP"), cExisted);  // the trial directory is gone

    const std::string alt = AltTempDir();
    const std::string base = cExisted ? "C:\\TEMP\\TEMP_" : "C:\\TEMP_";
    ASSERT_EQ(alt.substr(0, base.size()), base);
    const int number = std::stoi(alt.substr(base.size()));
    EXPECT_GE(number, 10000);
    EXPECT_LE(number, 100000);
    EXPECT_TRUE(IsExistingDirectory(alt));
    EXPECT_EQ(AltTempDir(), alt);
    RemoveAltTempDir();
    EXPECT_FALSE(IsExistingDirectory(alt));
}

}  // namespace
