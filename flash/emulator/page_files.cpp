#include "flash/emulator/page_files.h"

#include <cstdio>
#include <system_error>

#include "flash/emulator/lab_files.h"

namespace emu {
namespace {

constexpr std::string_view kCopyNames[kPageCopies] = {"current", "nvram", "default"};

constexpr std::string_view kPageSuffix = ".hex";
// Standard pages count their length in a byte of dwords, extended pages in a 16-bit field.
constexpr size_t kMaxStandardPageBytes = 0xFF * 4;
constexpr size_t kMaxExtendedPageBytes = 0xFFFF * 4;

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string_view::npos;
         start = end + 1) {
        parts.push_back(text.substr(start, end - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

bool ParseHexByte(std::string_view text, uint8_t* value) {
    uint64_t n = 0;
    if (text.size() != 2 || !ParseNumber("0x" + std::string(text), 0xFF, &n)) return false;
    *value = static_cast<uint8_t>(n);
    return true;
}

bool ParsePageFileName(std::string_view name, PageKey* key, PageCopy* copy) {
    if (!name.ends_with(kPageSuffix)) return false;
    std::vector<std::string_view> parts =
        Split(name.substr(0, name.size() - kPageSuffix.size()), '.');
    if (parts.size() != 2) return false;
    bool knownCopy = false;
    for (size_t i = 0; i < kPageCopies; ++i) {
        if (parts[1] == kCopyNames[i]) {
            *copy = static_cast<PageCopy>(i);
            knownCopy = true;
        }
    }
    std::vector<std::string_view> fields = Split(parts[0], '-');
    uint64_t number = 0;
    if (!knownCopy || fields.size() < 2 || fields.size() > 3 ||
        !ParseHexByte(fields[0], &key->type) || !ParseNumber(fields.back(), 0xFF, &number)) {
        return false;
    }
    key->number = static_cast<uint8_t>(number);
    key->extType = 0;
    bool extended = key->type == kExtendedPageType;
    if (extended != (fields.size() == 3)) return false;
    return !extended || (ParseHexByte(fields[1], &key->extType) && key->extType != 0);
}

}  // namespace

std::string_view PageCopyText(PageCopy copy) {
    return kCopyNames[static_cast<size_t>(copy)];
}

std::string PageFileName(PageKey key, PageCopy copy) {
    char name[64];
    if (key.type == kExtendedPageType) {
        std::snprintf(name, sizeof name, "%02x-%02x-%u.%s.hex", key.type, key.extType, key.number,
                      PageCopyText(copy).data());
    } else {
        std::snprintf(name, sizeof name, "%02x-%u.%s.hex", key.type, key.number,
                      PageCopyText(copy).data());
    }
    return name;
}

bool LoadPages(const std::filesystem::path& pagesDir, std::map<PageKey, Page>* pages,
               std::filesystem::path* problemFile, TextProblem* problem) {
    pages->clear();
    std::error_code error;
    if (!std::filesystem::is_directory(pagesDir, error)) return true;
    for (const auto& entry : std::filesystem::directory_iterator(pagesDir, error)) {
        std::string name = entry.path().filename().string();
        // Anything else (notes, editor backups, temporaries of a write) is not a page.
        if (!name.ends_with(kPageSuffix)) continue;
        *problemFile = entry.path();
        PageKey key;
        PageCopy copy = PageCopy::kCurrent;
        if (!ParsePageFileName(name, &key, &copy)) {
            *problem = {0,
                        "a page file is named <type>-<number>.<copy>.hex or "
                        "0f-<ext type>-<number>.<copy>.hex with copy current, nvram or default"};
            return false;
        }
        std::string text;
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(entry.path(), &text)) {
            *problem = {0, "cannot be read"};
            return false;
        }
        if (!ParseHexBytes(text, &bytes, problem)) return false;
        size_t max = key.type == kExtendedPageType ? kMaxExtendedPageBytes : kMaxStandardPageBytes;
        if (bytes.empty() || bytes.size() % 4 != 0 || bytes.size() > max) {
            *problem = {
                0, "a page holds a whole number of 32-bit words, at least one and at most " +
                       std::to_string(max / 4) + "; this one has " + std::to_string(bytes.size()) +
                       " bytes"};
            return false;
        }
        Page& page = (*pages)[key];
        for (const auto& other : page.copies) {
            if (other && other->size() != bytes.size()) {
                *problem = {0, "all copies of a page have the same length"};
                return false;
            }
        }
        page[copy] = std::move(bytes);
    }
    if (error) {
        *problemFile = pagesDir;
        *problem = {0, "cannot be listed"};
        return false;
    }
    return true;
}

bool SavePageCopy(const Controller& controller, PageKey key, PageCopy copy,
                  const std::vector<uint8_t>& bytes) {
    std::filesystem::path dir = controller.dir / "pages";
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    char comment[96];
    if (key.type == kExtendedPageType) {
        std::snprintf(comment, sizeof comment,
                      "page type 0x%02x, ext type 0x%02x, number %u, %s copy", key.type,
                      key.extType, key.number, PageCopyText(copy).data());
    } else {
        std::snprintf(comment, sizeof comment, "page type 0x%02x, number %u, %s copy", key.type,
                      key.number, PageCopyText(copy).data());
    }
    return WriteFileAtomically(dir / PageFileName(key, copy), FormatHexBytes(bytes, comment));
}

}  // namespace emu
