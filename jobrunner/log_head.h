// The block that opens each run's part of "Stepwright.log".
#pragma once

#include <ctime>
#include <string>
#include <vector>

// The 24-character local time form "Wed Jul 25 11:12:29 2012" followed by a line feed.
std::string FormatLogTime(const std::tm& time);

struct LogHeadFacts {
    std::string timeText;  // FormatLogTime
    bool autonomic = false;
    std::vector<std::string> arguments;  // program name included
    std::string workingDirectory;
    bool externalVariablePresent = false;
    std::string externalVariable;
};

std::string FormatLogHead(const LogHeadFacts& facts);

// "Stepwright Version 1.05.09\n"
std::string VersionLogLine();
