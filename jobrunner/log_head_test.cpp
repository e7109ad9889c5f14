#include "jobrunner/log_head.h"

#include <gtest/gtest.h>

namespace {

std::tm Time(int year, int month, int day, int hour, int minute, int second, int weekday) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_wday = weekday;
    return t;
}

const char kRuler[] =
    "\n*********+*********+*********+*********+*********+**********+**********+******\n";
const std::string kStars(78, '*');

}  // namespace

TEST(LogHead, TimeInTheTwentyFourCharacterForm) {
    EXPECT_EQ("Wed Jul 25 11:12:29 2012\n", FormatLogTime(Time(2012, 7, 25, 11, 12, 29, 3)));
    EXPECT_EQ("Tue Mar  5 01:02:03 2024\n", FormatLogTime(Time(2024, 3, 5, 1, 2, 3, 2)));
}

TEST(LogHead, NormalFormHasNoArgumentBlock) {
    LogHeadFacts facts;
    facts.timeText = "Wed Jul 25 11:12:29 2012\n";
    facts.arguments = {"sw", "C:\\w", "job.arg"};
    EXPECT_EQ(
        std::string(kRuler) + "**       Stepwright Log Wed Jul 25 11:12:29 2012\n" + kStars + "\n",
        FormatLogHead(facts));
}

TEST(LogHead, AutonomicFormListsArgumentsByCount) {
    const std::string args[] = {"p", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8"};
    const struct {
        size_t count;
        const char* lines;
    } cases[] = {
        {2, "** argc: 2 (0): p (1): a1\n"},
        {5, "** argc: 5 (0): p (1): a1 (2): a2 (3): a3 (4): a4\n"},
        {6, "** argc: 6 (0): p (1): a1 (2): a2 (3): a3 (4): a4\n**          (5): a5\n"},
        {8,
         "** argc: 8 (0): p (1): a1 (2): a2 (3): a3 (4): a4\n"
         "**          (5): a5 (6): a6 (7): a7\n"},
        {9, ""},
    };
    for (const auto& c : cases) {
        LogHeadFacts facts;
        facts.timeText = "Wed Jul 25 11:12:29 2012\n";
        facts.autonomic = true;
        facts.arguments.assign(args, args + c.count);
        facts.workingDirectory = "C:\\work";
        facts.externalVariablePresent = c.count == 5;
        facts.externalVariable = "";
        const std::string external = c.count == 5 ? "** external option: ><\n" : "";
        EXPECT_EQ(std::string(kRuler) + "**       Stepwright Log Wed Jul 25 11:12:29 2012\n" +
                      kStars + "\n" + c.lines +
                      "** version: Stepwright Version 1.05.09\n** working directory C:\\work\n" +
                      external + kStars + "\n",
                  FormatLogHead(facts))
            << c.count;
    }
}
