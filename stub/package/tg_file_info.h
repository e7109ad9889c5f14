// TGFileInfo: the in-memory view of one package file (trailer, header strings, language strings)
// through which every part of the stub reads a package. It holds no open file after construction.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "stub/package/file_reader.h"
#include "stub/package/language_choice.h"
#include "stub/package/package_trailer.h"

class TGFileInfo {
  public:
    // A null reader stands for a missing file: everything stays empty and zero. A corrupt file
    // (bad trailer, header blocks past the trailer) leaves the strings empty as well.
    explicit TGFileInfo(FileReader* file);

    const PackageTrailer& trailer() const { return trailer_; }
    const std::string& languageBlock() const { return languageBlock_; }
    const std::string& updateParams() const { return updateParams_; }
    const std::string& webParams() const { return webParams_; }
    // True when the trailer carries the magic and its header blocks were read.
    bool valid() const { return valid_; }

    // Bytes the unpacked files occupy in clusters of `clusterSize` bytes (0: unknown).
    double SpaceNeededFor(uint32_t clusterSize) const;

    bool ShowSpaceNotice() const { return trailer_.Flag(kShowSpaceNotice); }
    bool MoreDisks() const { return trailer_.Flag(kMoreDisks); }
    bool RelaunchFromCopy() const { return trailer_.Flag(kRelaunchFromCopy); }
    bool ShowActivityBar() const { return trailer_.Flag(kShowActivityBar); }
    bool AgentLog() const { return trailer_.Flag(kAgentLog); }
    bool WebInstall() const { return trailer_.webInstall != 0; }
    bool ConfirmDownload() const { return trailer_.confirmDownload != 0; }
    bool MakeAgentCopy() const { return trailer_.makeAgentCopy != 0; }
    bool IsAgent() const { return trailer_.isAgent != 0; }

    std::string UpdateURL() const;
    std::string InfoFileName() const;
    std::string AgentExeName() const;
    std::string OriginalFileName() const;
    std::string UpdateToken(bool decode) const;
    bool RunHidden() const;
    std::string PackageURL() const;
    std::string PackageFileName() const;
    std::string PackageSize() const;
    bool AlwaysDownload() const;
    std::string WebToken(bool decode) const;
    bool SameWebToken(const TGFileInfo& other) const;

    // Lookups through the process-wide language choice, or an explicit one.
    std::string LangString(std::string_view key, std::string_view fallback) const;
    std::string LangString(std::string_view key, std::string_view fallback,
                           LanguageContext& language) const;
    int LangCharset() const;
    int LangFontSize() const;
    std::string LangFontName() const;

  private:
    PackageTrailer trailer_;
    std::string languageBlock_;
    std::string updateParams_;
    std::string webParams_;
    bool valid_ = false;
};

// The file-name part of a path: the text after the last '\', '/' or ':'.
std::string_view FileNamePart(std::string_view path);
