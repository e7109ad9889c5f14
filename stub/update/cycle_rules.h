// The agent cycle's decisions, apart from the files and windows they are read from: when a shot
// is due, whether a downloaded information file offers an applicable update, the texts it asks
// with and the agent log's lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "stub/run/local_time.h"

struct ShotInputs {
    bool probingEnabled = true;
    bool cycleRequested = false;
    bool testMode = false;
    int64_t probeInterval = 0;  // "ProbeSecondsInterval": 0 probes once, -1 never
    int64_t probeLast = 0;      // "ProbeSecondsLast"
    int64_t now = 0;            // seconds since 1899-12-30
};
// 0: not due; 1: due; 2: due and the last one (interval 0).
int ShotStatus(const ShotInputs& in);

struct ChainInputs {
    bool infoDownloaded = false;
    int64_t versionOriginal = 0;
    int64_t versionNew = 0;
    int64_t originalStamp = 0;
    int64_t infoStamp = 0;
    int64_t reAskInterval = 0;
    int64_t reAskLast = 0;
    int64_t now = 0;
    bool interactive = false;  // cycle mode 1
    std::string validVersions;
    bool sizeMatches = false;
};
inline constexpr int kChainPassed = 6;
// The step the chain reaches: the first failing test stops it; kChainPassed when all pass.
int DecisionStep(const ChainInputs& in);
// "Error downloading .INFO file" ... "OK" by step.
std::string DecisionText(int step);
// The download's actual size is within 100 bytes of the expected one.
bool SizeMatches(int64_t expected, int64_t actual);

// The interactive check's question: s22 + s23 (left out for a local source) + s24, a test-mode
// note, and PROG_NAME replaced.
std::string CheckQuestionText(std::string_view s22, std::string_view s23, std::string_view s24,
                              std::string_view source, bool testMode, std::string_view programName);
// Every "PROG_NAME" replaced by `programName`.
std::string WithProgramName(std::string text, std::string_view programName);
// A local path ("C:...") or a network path ("\\...").
bool IsLocalLocation(std::string_view location);

// "X_" + the executable's name (unless it has it) with its extension replaced by ".log".
std::string AgentLogName(std::string_view exeName);
// "dd/mm/yy HH:NN:SS", the thread id right-aligned in five, the three-character prefix, the
// message and CR LF.
std::string AgentLogLine(const LocalTime& time, unsigned long threadId, std::string_view prefix,
                         std::string_view message);
// The transient settings as "/TRANSIENT=" passes them on: "|v1|v2|...|v8|".
std::string TransientText(const uint8_t (&settings)[8]);
