#include "tools/package_builder/manifest.h"

#include <charconv>
#include <map>
#include <sstream>

#include "stub/package/package_trailer.h"

namespace {

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<uint64_t> Number(const std::string& text) {
    uint64_t value = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.data() + (hex ? 2 : 0);
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value, hex ? 16 : 10);
    if (ec != std::errc() || ptr != end || begin == end) return std::nullopt;
    return value;
}

std::optional<bool> Boolean(const std::string& text) {
    if (text == "1" || text == "yes" || text == "true") return true;
    if (text == "0" || text == "no" || text == "false") return false;
    return std::nullopt;
}

std::string Resolve(const std::string& base, const std::string& path) {
    if (path.empty() || path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':') ||
        base.empty())
        return path;
    return base + "/" + path;
}

struct FlagName {
    const char* word;
    uint8_t bit;
};
constexpr FlagName kFlagNames[] = {
    {"ShowSpaceNotice", kShowSpaceNotice},
    {"MoreDisks", kMoreDisks},
    {"RelaunchFromCopy", kRelaunchFromCopy},
    {"ShowActivityBar", kShowActivityBar},
    {"AgentLog", kAgentLog},
};

}  // namespace

std::optional<Manifest> ParseManifest(const std::string& text, const std::string& baseDirectory,
                                      std::string& error) {
    Manifest m;
    std::istringstream lines(text);
    std::string line, section;
    int number = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(number) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(lines, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return fail("unclosed section");
            section = Trim(line.substr(1, line.size() - 2));
            if (section.rfind("language ", 0) == 0) {
                m.languages.push_back({Trim(section.substr(9)), {}});
                section = "language";
            } else if (section == "entry") {
                m.entries.emplace_back();
            } else if (section == "web") {
                m.hasWeb = true;
            } else if (section != "package" && section != "update") {
                return fail("unknown section [" + section + "]");
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return fail("expected key = value");
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        auto flag = [&](uint8_t& target) {
            auto b = Boolean(value);
            if (b) target = *b ? 1 : 0;
            return b.has_value();
        };
        auto boolean = [&](bool& target) {
            auto b = Boolean(value);
            if (b) target = *b;
            return b.has_value();
        };
        auto number64 = [&](uint64_t& target) {
            auto n = Number(value);
            if (n) target = *n;
            return n.has_value();
        };
        bool ok = true;
        if (section == "language") {
            m.languages.back().strings.emplace_back(key, value);
        } else if (section == "package") {
            if (key == "stub")
                m.stub = Resolve(baseDirectory, value);
            else if (key == "flags") {
                std::istringstream words(value);
                for (std::string word; words >> word;) {
                    bool known = false;
                    for (const FlagName& f : kFlagNames)
                        if (word == f.word) m.flags |= f.bit, known = true;
                    if (!known) return fail("unknown flag " + word);
                }
            } else if (key == "web-install")
                ok = flag(m.webInstall);
            else if (key == "confirm-download")
                ok = flag(m.confirmDownload);
            else if (key == "make-agent-copy")
                ok = flag(m.makeAgentCopy);
            else if (key == "is-agent")
                ok = flag(m.isAgent);
            else if (key == "checksum") {
                ok = value == "compute" || value == "1234";
                m.checksumPassAll = value == "1234";
            } else if (key == "build-stamp") {
                uint64_t stamp = 0;
                ok = number64(stamp);
                m.buildStamp = stamp;
            } else if (key == "disk-size")
                ok = number64(m.diskSize);
            else if (key == "signature")
                ok = number64(m.signatureSize);
            else
                return fail("unknown key " + key);
        } else if (section == "update") {
            if (key == "url")
                m.updateUrl = value;
            else if (key == "info-file")
                m.infoFile = value;
            else if (key == "agent-exe")
                m.agentExe = value;
            else if (key == "token")
                m.updateToken = value;
            else if (key == "token-scrambled")
                m.updateTokenScrambled = value;
            else if (key == "run-hidden")
                ok = boolean(m.runHidden);
            else
                return fail("unknown key " + key);
        } else if (section == "web") {
            if (key == "url")
                m.packageUrl = value;
            else if (key == "file")
                m.packageFile = value;
            else if (key == "always-download")
                ok = boolean(m.alwaysDownload);
            else if (key == "token")
                m.webToken = value;
            else if (key == "token-scrambled")
                m.webTokenScrambled = value;
            else if (key == "size")
                m.packageSize = value;
            else
                return fail("unknown key " + key);
        } else if (section == "entry") {
            ManifestEntry& e = m.entries.back();
            if (key == "name")
                e.name = value;
            else if (key == "source")
                e.source = Resolve(baseDirectory, value);
            else if (key == "method") {
                ok = value == "compressed" || value == "stored";
                e.compressed = value == "compressed";
            } else if (key == "stamp") {
                if (value != "file") {
                    auto n = Number(value);
                    ok = n && *n <= UINT32_MAX;
                    if (ok) e.dosStamp = static_cast<uint32_t>(*n);
                }
            } else
                return fail("unknown key " + key);
        } else {
            return fail("key outside a section");
        }
        if (!ok) return fail("bad value for " + key + ": " + value);
    }
    for (const ManifestEntry& e : m.entries)
        if (e.name.empty() || e.source.empty()) {
            error = "every [entry] needs a name and a source";
            return std::nullopt;
        }
    return m;
}
