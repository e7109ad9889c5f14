#include "stub/update/cycle_rules.h"

#include <gtest/gtest.h>

TEST(CycleRules, ShotStatusByIntervalAndRequest) {
    const struct {
        ShotInputs in;
        int status;
    } cases[] = {
        // Interval 0: due once, and marked as the last.
        {{true, false, false, 0, 1000, 1000}, 2},
        {{false, false, false, 0, 1000, 5000}, 0},
        {{true, false, false, 3600, 1000, 4599}, 0},
        {{true, false, false, 3600, 1000, 4600}, 1},
        // Test mode probes every 5 s whatever the file says.
        {{true, false, true, 3600, 1000, 1005}, 1},
        // -1 never probes by itself; a request still shoots.
        {{true, false, false, -1, 0, 99999}, 0},
        {{false, true, false, -1, 0, 0}, 1},
        {{false, true, false, 0, 5000, 0}, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShotStatus(c.in), c.status)
            << c.in.probeInterval << " " << c.in.probeLast << " " << c.in.now;
}

TEST(CycleRules, DecisionChainStopsAtTheFirstFailingTest) {
    ChainInputs ok;
    ok.infoDownloaded = true;
    ok.versionOriginal = 120;
    ok.versionNew = 121;
    ok.originalStamp = 5;
    ok.infoStamp = 6;
    ok.validVersions = "118,120";
    ok.sizeMatches = true;
    ok.now = 10000;
    EXPECT_EQ(DecisionStep(ok), kChainPassed);
    EXPECT_EQ(DecisionText(kChainPassed), "OK");

    const auto with = [&](auto change) {
        ChainInputs in = ok;
        change(in);
        return DecisionStep(in);
    };
    EXPECT_EQ(with([](ChainInputs& in) { in.infoDownloaded = false; }), 0);
    EXPECT_EQ(with([](ChainInputs& in) { in.versionOriginal = 0; }), 1);
    // The same stamp is offered again only when the re-ask time has passed, or when asked.
    EXPECT_EQ(with([](ChainInputs& in) { in.infoStamp = 5; }), 2);
    EXPECT_EQ(with([](ChainInputs& in) {
                  in.infoStamp = 5;
                  in.reAskInterval = 600;
                  in.reAskLast = 9400;
              }),
              2);
    EXPECT_EQ(with([](ChainInputs& in) {
                  in.infoStamp = 5;
                  in.reAskInterval = 600;
                  in.reAskLast = 9399;
              }),
              kChainPassed);
    EXPECT_EQ(with([](ChainInputs& in) {
                  in.infoStamp = 5;
                  in.interactive = true;
              }),
              kChainPassed);
    EXPECT_EQ(with([](ChainInputs& in) { in.versionNew = 120; }), 3);
    EXPECT_EQ(with([](ChainInputs& in) { in.validVersions = "118, 120"; }), 4);
    EXPECT_EQ(with([](ChainInputs& in) { in.validVersions = "1200"; }), 4);
    EXPECT_EQ(with([](ChainInputs& in) { in.validVersions = ""; }), kChainPassed);
    EXPECT_EQ(with([](ChainInputs& in) { in.sizeMatches = false; }), 5);
    EXPECT_EQ(DecisionText(4), "\"Valid for version\" mismatch");
    EXPECT_EQ(DecisionText(3), "New version is not higher then old version");

    EXPECT_TRUE(SizeMatches(1000, 1099));
    EXPECT_FALSE(SizeMatches(1000, 1100));
    EXPECT_TRUE(SizeMatches(98, -1));
    EXPECT_FALSE(SizeMatches(99, -1));
}

TEST(CycleRules, TextsAndNames) {
    const std::string s22 = "<b>NEW UPDATE</b><p><p>Check for: <b>PROG_NAME</b><p>";
    EXPECT_EQ(CheckQuestionText(s22, "Internet<p>", "<p>Go?", "http://h/", false, "Tool"),
              "<b>NEW UPDATE</b><p><p>Check for: <b>Tool</b><p>Internet<p><p>Go?");
    EXPECT_EQ(CheckQuestionText(s22, "Internet<p>", "<p>Go?", R"(C:\Updates)", true, "Tool"),
              "<b>NEW UPDATE</b><p><p>Check for: <b>Tool</b><p><p>Go?<P><P><T><B>PLEASE "
              "NOTE</B> - You are now running in <B>Test Mode</B>!");
    EXPECT_EQ(WithProgramName("PROG_NAME and PROG_NAME", "PROG_NAME!"),
              "PROG_NAME! and PROG_NAME!");

    EXPECT_TRUE(IsLocalLocation(R"(C:\Updates\x.info)"));
    EXPECT_TRUE(IsLocalLocation(R"(\\server\share\x.info)"));
    EXPECT_FALSE(IsLocalLocation("http://h/x.info"));

    EXPECT_EQ(AgentLogName("ToolAgent.exe"), "X_ToolAgent.log");
    EXPECT_EQ(AgentLogName("X_ToolAgent.exe"), "X_ToolAgent.log");
    EXPECT_EQ(AgentLogName("Agent"), "X_Agent.log");
    EXPECT_EQ(AgentLogLine({2026, 12, 11, 7, 5, 9}, 312, " X ", "WinMain"),
              "11/12/26 07:05:09   312 X WinMain\r\n");
    const uint8_t transient[8] = {1, 0, 255, 255, 255, 255, 255, 1};
    EXPECT_EQ(TransientText(transient), "|1|0|255|255|255|255|255|1|");
}
