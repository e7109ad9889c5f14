#include "jobrunner/basic_parameters.h"

#include <gtest/gtest.h>

TEST(BasicParameters, FileTableHoldsFiftyOneNames) {
    BasicParameters params;
    for (int i = 0; i < 51; ++i) EXPECT_TRUE(params.AddFileName("f" + std::to_string(i)));
    EXPECT_FALSE(params.AddFileName("f51"));
    EXPECT_EQ(51, params.NumberOfFiles());
    EXPECT_EQ("f50", params.fileNames.back());
}

TEST(BasicParameters, ExecPathAndRunnerFiles) {
    EXPECT_EQ("C:\\jobs\\one", ExecPathOf("C:\\jobs\\one\\job.arg"));
    EXPECT_EQ("sub", ExecPathOf("sub\\job.arg"));
    EXPECT_EQ("/tmp", ExecPathOf("job.arg"));
    EXPECT_EQ("/tmp", ExecPathOf("C:/jobs/job.arg"));
    for (const char* name :
         {"kd.arg", "Stepwright.log", "Stepwright.exe", "setup.log", "QuillonUnzip.exe"}) {
        EXPECT_TRUE(IsRunnerFile(name)) << name;
    }
    for (const char* name : {"KD.ARG", "stepwright.exe", "setup.log.bak", "fw.bin"}) {
        EXPECT_FALSE(IsRunnerFile(name)) << name;
    }
}

TEST(BasicParameters, StagingPathsFitTheirBuffers) {
    const std::string dir = "C:\\" + std::string(200, 'd');
    EXPECT_EQ(dir + "\\name", StagingPath(dir, "name"));
    const std::string fits(255 - dir.size() - 1, 'n');
    EXPECT_EQ(dir + "\\" + fits, StagingPath(dir, fits));
    EXPECT_EQ(std::nullopt, StagingPath(dir, fits + "n"));
}
