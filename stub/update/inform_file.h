// The inform file an agent in inform mode shows: optionally scrambled, then "|"-separated fields
// with the package's token in the second and the text after the fourth separator.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::string_view kInformScrambledHeader = "Scrambled=01";

// The content as written, descrambled when it starts with the header.
std::string DescrambleInform(std::string_view content);

struct InformFile {
    std::string token;  // field 1, in the scrambled form of UpdateToken
    std::string text;   // everything after the fourth '|'
};
InformFile ParseInform(std::string_view content);
// Field 1 decoded equals the package's own decoded update token.
bool InformBelongsTo(const InformFile& inform, std::string_view ownDecodedToken);
