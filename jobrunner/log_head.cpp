#include "jobrunner/log_head.h"

#include <algorithm>

#include "jobrunner/text_format.h"
#include "jobrunner/version.h"

namespace {

constexpr const char* kRuler =
    "\n*********+*********+*********+*********+*********+**********+**********+******\n";
constexpr const char* kStars =
    "******************************************************************************\n";
constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Up to five arguments share the "argc" line; the sixth to eighth follow on a second line, and
// a longer command line is not listed at all.
std::string ArgumentLines(const std::vector<std::string>& arguments) {
    const size_t count = arguments.size();
    if (count < 2 || count > 8) return {};
    std::string text = Format("** argc: %d", static_cast<int>(count));
    for (size_t i = 0; i < std::min<size_t>(count, 5); ++i) {
        text += Format(" (%d): %s", static_cast<int>(i), arguments[i].c_str());
    }
    text += "\n";
    if (count > 5) {
        text += "**         ";
        for (size_t i = 5; i < count; ++i) {
            text += Format(" (%d): %s", static_cast<int>(i), arguments[i].c_str());
        }
        text += "\n";
    }
    return text;
}

}  // namespace

std::string FormatLogTime(const std::tm& t) {
    const int weekday = t.tm_wday >= 0 && t.tm_wday < 7 ? t.tm_wday : 0;
    const int month = t.tm_mon >= 0 && t.tm_mon < 12 ? t.tm_mon : 0;
    return Format("%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kWeekdays[weekday], kMonths[month], t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec, 1900 + t.tm_year);
}

std::string VersionLogLine() {
    return Format("Stepwright Version %d.%02d.%02d\n", kVersionMajor, kVersionMinor, kVersionPatch);
}

std::string FormatLogHead(const LogHeadFacts& facts) {
    std::string text = kRuler;
    text += "**       Stepwright Log " + facts.timeText;
    text += kStars;
    if (facts.autonomic) {
        text += ArgumentLines(facts.arguments);
        text += "** version: " + VersionLogLine();
        text += "** working directory " + facts.workingDirectory + "\n";
        if (facts.externalVariablePresent) {
            text += "** external option: >" + facts.externalVariable + "<\n";
        }
        text += kStars;
    }
    return text;
}
