#include "stub/update/inform_file.h"

#include "stub/package/package_token.h"

std::string DescrambleInform(std::string_view content) {
    if (content.size() <= kInformScrambledHeader.size() ||
        content.substr(0, kInformScrambledHeader.size()) != kInformScrambledHeader)
        return std::string(content);
    const int key = static_cast<unsigned char>(content[kInformScrambledHeader.size()]);
    std::string text(content.substr(kInformScrambledHeader.size() + 1));
    for (size_t i = 0; i < text.size(); ++i) {
        const long long mix = static_cast<long long>(i) + 1 + (i % 2 == 0 ? key : -key);
        text[i] = static_cast<char>(static_cast<unsigned char>(text[i]) ^ (mix & 0xFF));
    }
    return text;
}

InformFile ParseInform(std::string_view content) {
    const std::string text = DescrambleInform(content);
    InformFile inform;
    size_t start = 0;
    for (int field = 0; field < 4; ++field) {
        const size_t bar = text.find('|', start);
        if (bar == std::string::npos) {
            if (field == 1) inform.token = text.substr(start);
            return inform;
        }
        if (field == 1) inform.token = text.substr(start, bar - start);
        start = bar + 1;
    }
    inform.text = text.substr(start);
    return inform;
}

bool InformBelongsTo(const InformFile& inform, std::string_view ownDecodedToken) {
    return DecodeToken(inform.token) == ownDecodedToken;
}
