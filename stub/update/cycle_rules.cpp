#include "stub/update/cycle_rules.h"

#include <cstdio>
#include <cstdlib>

#include "stub/package/delimited_list.h"

namespace {

constexpr char kDecisionTexts[] =
    "|Error downloading .INFO file|Error reading .ORIGINAL file|Too early for retesting|New "
    "version is not higher then old version|\"Valid for version\" mismatch|Download file size "
    "error|OK|";
constexpr char kTestModeNote[] =
    "<P><P><T><B>PLEASE NOTE</B> - You are now running in <B>Test Mode</B>!";
constexpr int64_t kTestModeInterval = 5;

}  // namespace

int ShotStatus(const ShotInputs& in) {
    if (!in.probingEnabled && !in.cycleRequested) return 0;
    const int64_t interval = in.testMode ? kTestModeInterval : in.probeInterval;
    int status = in.now >= in.probeLast + interval ? 1 : 0;
    if (in.probeInterval == 0) status *= 2;
    if (in.probeInterval == -1) status = 0;
    if (in.cycleRequested) status = 1;
    return status;
}

int DecisionStep(const ChainInputs& in) {
    if (!in.infoDownloaded) return 0;
    if (in.versionOriginal <= 0) return 1;
    const bool newStamp = in.infoStamp != in.originalStamp;
    const bool reAskDue = in.reAskInterval > 0 && in.reAskLast + in.reAskInterval < in.now;
    if (!newStamp && !reAskDue && !in.interactive) return 2;
    if (in.versionOriginal >= in.versionNew) return 3;
    if (!in.validVersions.empty() &&
        ("," + in.validVersions + ",").find("," + std::to_string(in.versionOriginal) + ",") ==
            std::string::npos)
        return 4;
    if (!in.sizeMatches) return 5;
    return kChainPassed;
}

std::string DecisionText(int step) {
    return DelimitedList(kDecisionTexts).ItemAt(static_cast<size_t>(step < 0 ? 0 : step));
}

bool SizeMatches(int64_t expected, int64_t actual) {
    const int64_t difference = expected > actual ? expected - actual : actual - expected;
    return difference < 100;
}

bool IsLocalLocation(std::string_view location) {
    return (location.size() >= 2 && location[1] == ':') || location.substr(0, 2) == "\\\\";
}

std::string WithProgramName(std::string text, std::string_view programName) {
    constexpr std::string_view kMark = "PROG_NAME";
    for (size_t at = text.find(kMark); at != std::string::npos;
         at = text.find(kMark, at + programName.size()))
        text.replace(at, kMark.size(), programName);
    return text;
}

std::string CheckQuestionText(std::string_view s22, std::string_view s23, std::string_view s24,
                              std::string_view source, bool testMode,
                              std::string_view programName) {
    const bool local = source.size() < 2 || source[1] == ':';
    std::string text = std::string(s22) + (local ? "" : std::string(s23)) + std::string(s24);
    if (testMode) text += kTestModeNote;
    return WithProgramName(std::move(text), programName);
}

std::string AgentLogName(std::string_view exeName) {
    std::string name(exeName);
    if (name.size() < 2 || (name[0] != 'X' && name[0] != 'x') || name[1] != '_') name = "X_" + name;
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 1) name.resize(dot);
    return name + ".log";
}

std::string AgentLogLine(const LocalTime& time, unsigned long threadId, std::string_view prefix,
                         std::string_view message) {
    char head[96];
    std::snprintf(head, sizeof head, "%02d/%02d/%02d %02d:%02d:%02d %5lu", time.day, time.month,
                  time.year % 100, time.hour, time.minute, time.second, threadId);
    return std::string(head) + std::string(prefix) + std::string(message) + "\r\n";
}

std::string TransientText(const uint8_t (&settings)[8]) {
    std::string text = "|";
    for (uint8_t value : settings) text += std::to_string(value) + "|";
    return text;
}
