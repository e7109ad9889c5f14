#include "stub/package/space_estimate.h"

#include <cstdio>

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

std::string MegabyteText(double bytes) {
    double mb = bytes < 0 ? 0 : bytes / 1048576.0;
    const int decimals = mb > 10 ? 1 : mb < 1 ? 3 : 2;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, mb);
    return text;
}

std::string SpaceNoticeText(const TGFileInfo& info, LanguageContext& language,
                            std::string_view directory, double need, double free) {
    std::string drive;
    if (!directory.empty()) {
        char letter = directory.front();
        if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
        drive = std::string(1, letter) + ":";
    }
    std::string text;
    if (info.ShowSpaceNotice())
        text = info.LangString("s2", "Wyvern will extract files to your Temp Drive (<DRIVE>)<P>",
                               language);
    if (need >= free)
        text =
            info.LangString("s3", "Limited Free Space on your Temp Drive! (<DRIVE>)<P>", language);
    if (text.empty()) return text;
    text += info.LangString(
        "s4", "<P>Estimated space required on your Temp drive is: <T>  <SPACE_REQ> MB<P>",
        language);
    text += info.LangString(
        "s5", "Free space available on your Temp drive is: <T>  <SPACE_AVAIL> MB<P>", language);
    text += info.LangString("s6", "<P>Continue with Setup?<P>", language);
    ReplaceAll(text, "<DRIVE>", drive);
    ReplaceAll(text, "<SPACE_REQ>", MegabyteText(need));
    ReplaceAll(text, "<SPACE_AVAIL>", MegabyteText(free));
    return text;
}
