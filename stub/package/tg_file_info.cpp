#include "stub/package/tg_file_info.h"

#include <charconv>

#include "stub/package/block_walk.h"
#include "stub/package/delimited_list.h"
#include "stub/package/package_token.h"

namespace {

// The whole text as a decimal integer, `fallback` otherwise.
int ToIntDefault(const std::string& text, int fallback) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty() ? value : fallback;
}

}  // namespace

std::string_view FileNamePart(std::string_view path) {
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

TGFileInfo::TGFileInfo(FileReader* file) {
    if (!file) return;
    const TrailerPlace place = ReadTrailer(*file);
    if (!place.ok()) return;
    trailer_ = place.trailer;
    if (!trailer_.HasMagic()) return;
    const unsigned headers = trailer_.headerBlockCount >= 3 ? 3 : 2;
    std::string* targets[] = {&languageBlock_, &updateParams_, &webParams_};
    BlockWalker walker(*file, place, headers);
    BlockRef block;
    std::string blocks[3];
    for (unsigned i = 0; i < headers; ++i) {
        if (!walker.Next(block) || !block.header) return;
        blocks[i].resize(block.size);
        if (!file->ReadExact(block.dataOffset, blocks[i].data(), block.size)) return;
    }
    for (unsigned i = 0; i < headers; ++i) *targets[i] = std::move(blocks[i]);
    trailer_.packageStart = static_cast<uint32_t>(walker.position());
    valid_ = true;
}

double TGFileInfo::SpaceNeededFor(uint32_t clusterSize) const {
    double need = trailer_.spaceNeeded[0];
    for (unsigned i = 1; i < kSpaceNeededCount; ++i)
        if (clusterSize >= (256u << i)) need = trailer_.spaceNeeded[i];
    return need;
}

std::string TGFileInfo::UpdateURL() const {
    return DelimitedList(updateParams_).ItemAt(0);
}
std::string TGFileInfo::AgentExeName() const {
    return DelimitedList(updateParams_).ItemAt(2);
}

std::string TGFileInfo::InfoFileName() const {
    return std::string(FileNamePart(DelimitedList(updateParams_).ItemAt(1)));
}

std::string TGFileInfo::OriginalFileName() const {
    std::string name(FileNamePart(DelimitedList(updateParams_).ItemAt(1)));
    for (size_t dot = name.rfind('.'); dot != std::string::npos; dot = name.rfind('.'))
        name.erase(dot);
    return name + ".original";
}

std::string TGFileInfo::UpdateToken(bool decode) const {
    const std::string token = DelimitedList(updateParams_).ItemAt(3);
    return decode ? DecodeToken(token) : token;
}

bool TGFileInfo::RunHidden() const {
    return DelimitedList(updateParams_).ItemAt(4) == "1";
}
std::string TGFileInfo::PackageURL() const {
    return DelimitedList(webParams_).ItemAt(0);
}
std::string TGFileInfo::PackageFileName() const {
    return DelimitedList(webParams_).ItemAt(1);
}
bool TGFileInfo::AlwaysDownload() const {
    return DelimitedList(webParams_).ItemAt(2) == "1";
}
std::string TGFileInfo::PackageSize() const {
    return DelimitedList(webParams_).ItemAt(4);
}

std::string TGFileInfo::WebToken(bool decode) const {
    const std::string token = DelimitedList(webParams_).ItemAt(3);
    return decode ? DecodeToken(token) : token;
}

bool TGFileInfo::SameWebToken(const TGFileInfo& other) const {
    return WebToken(true) == other.WebToken(true);
}

std::string TGFileInfo::LangString(std::string_view key, std::string_view fallback) const {
    return LangString(key, fallback, ProcessLanguage());
}

std::string TGFileInfo::LangString(std::string_view key, std::string_view fallback,
                                   LanguageContext& language) const {
    return LangStringIn(language.Section(languageBlock_), key, fallback);
}

int TGFileInfo::LangCharset() const {
    return ToIntDefault(LangString("Charset", "0"), 0);
}
int TGFileInfo::LangFontSize() const {
    return ToIntDefault(LangString("FontSize", "8"), 8);
}
std::string TGFileInfo::LangFontName() const {
    return LangString("FontName", "Tahoma");
}
