// The package builder's manifest: a small INI-like text naming the language sections, the update
// and web parameters, the trailer flags and the entries of a package.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct ManifestEntry {
    std::string name;    // EntryName, '*' and extra command-line text included
    std::string source;  // file whose bytes are the entry's data
    bool compressed = true;
    std::optional<uint32_t> dosStamp;  // none: taken from the source file
};

struct ManifestLanguage {
    std::string name;
    std::vector<std::pair<std::string, std::string>> strings;
};

struct Manifest {
    std::string stub;  // may be given on the command line instead
    std::vector<ManifestLanguage> languages;
    // UpdateParams items.
    std::string updateUrl = "http://";
    std::string infoFile = ".info";
    std::string agentExe = ".exe";
    std::string updateToken;           // plain; scrambled by the builder
    std::string updateTokenScrambled;  // taken as it is when given
    bool runHidden = false;
    // WebParams items; present only with a [web] section.
    bool hasWeb = false;
    std::string packageUrl, packageFile, webToken, webTokenScrambled, packageSize;
    bool alwaysDownload = false;
    // Trailer.
    uint8_t flags = 0;
    uint8_t webInstall = 0, confirmDownload = 0, makeAgentCopy = 0, isAgent = 0;
    bool checksumPassAll = false;
    std::optional<uint64_t> buildStamp;
    uint64_t diskSize = 0;       // 0: one file appended to the stub
    uint64_t signatureSize = 0;  // bytes of signature-like data after the trailer
    std::vector<ManifestEntry> entries;
};

// Parses manifest text; relative paths are taken relative to `baseDirectory`. On failure the
// answer is empty and `error` names the line.
std::optional<Manifest> ParseManifest(const std::string& text, const std::string& baseDirectory,
                                      std::string& error);
