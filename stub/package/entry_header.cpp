#include "stub/package/entry_header.h"

#include <charconv>
#include <cstdio>

#include "stub/package/delimited_list.h"

EntryHeader ParseEntryHeader(std::string_view header) {
    EntryHeader entry;
    const DelimitedList list(header);
    entry.item0 = list.ItemAt(0);
    entry.dosStamp = ParseDosStamp(list.ItemAt(1));
    const size_t star = entry.item0.find('*');
    entry.startsProgram = star != std::string::npos;
    entry.fileName = entry.item0.substr(0, star);
    return entry;
}

uint32_t ParseDosStamp(std::string_view text) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return 0;
    if (value < INT32_MIN || value > int64_t{UINT32_MAX}) return 0;
    return static_cast<uint32_t>(value);
}

bool IsSafeEntryName(std::string_view name) {
    if (name.empty() || name.front() == '\\' || name.front() == '/') return false;
    if (name.find(':') != std::string_view::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = name.size();
        std::string_view component = name.substr(start, end - start);
        // Windows ignores trailing dots and spaces, so ".. " and "..." also climb.
        while (!component.empty() && (component.back() == ' ' || component.back() == '.'))
            component.remove_suffix(1);
        if (component.empty() && name.substr(start, end - start).size() >= 2) return false;
        start = end + 1;
    }
    return true;
}

std::string DiskBaseName(std::string_view firstDisk) {
    constexpr std::string_view kFirstSuffix = ".001";
    if (firstDisk.size() >= kFirstSuffix.size() &&
        firstDisk.substr(firstDisk.size() - kFirstSuffix.size()) == kFirstSuffix)
        firstDisk.remove_suffix(kFirstSuffix.size());
    return std::string(firstDisk);
}

std::string DiskFileName(std::string_view base, unsigned number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, ".%03u", number);
    return std::string(base) + digits;
}
