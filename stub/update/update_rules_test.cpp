#include "stub/update/update_rules.h"

#include <gtest/gtest.h>

TEST(UpdateRules, QuestionsByConfirmationAndForce) {
    const UpdateTexts texts{"New for PROG_NAME. ", "s12", "s13", "Install PROG_NAME?", "s18", "s19",
                            "s20 PROG_NAME"};
    const struct {
        bool confirmInstall;
        bool force;
        const char* question;
    } cases[] = {
        {false, false, "New for Tool. s12"},
        {true, false, "New for Tool. s13"},
        {false, true, "New for Tool. s18"},
        {true, true, "New for Tool. s19"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DownloadQuestion(texts, c.confirmInstall, c.force, "Tool"), c.question);
    EXPECT_EQ(InstallQuestion(texts, false, "Tool"), "Install Tool?");
    EXPECT_EQ(InstallQuestion(texts, true, "Tool"), "s20 Tool");
}

TEST(UpdateRules, ShutDownMethodsAndRestart) {
    EXPECT_EQ(ParseShutDownMethod("Issue a Message Box"), ShutDownMethod::kMessageBox);
    EXPECT_EQ(ParseShutDownMethod("Using WM_CLOSE"), ShutDownMethod::kClose);
    EXPECT_EQ(ParseShutDownMethod("Using WM_QUIT"), ShutDownMethod::kQuit);
    EXPECT_EQ(ParseShutDownMethod("Using Terminate Process"), ShutDownMethod::kTerminate);
    EXPECT_EQ(ParseShutDownMethod("Don't Shut Down"), ShutDownMethod::kDontShutDown);
    // Compared exactly.
    EXPECT_EQ(ParseShutDownMethod("using wm_close"), ShutDownMethod::kWaitOnly);
    EXPECT_EQ(ParseShutDownMethod(""), ShutDownMethod::kWaitOnly);

    EXPECT_EQ(RestartState(false, false), 0);
    EXPECT_EQ(RestartState(true, true), 1);
    EXPECT_EQ(RestartState(true, false), 2);
}
