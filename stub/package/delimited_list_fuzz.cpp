// Arbitrary text as a delimited list, a language block and an entry header.
#include <cstdint>
#include <string>

#include "stub/package/delimited_list.h"
#include "stub/package/entry_header.h"
#include "stub/package/language_choice.h"
#include "stub/package/package_token.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t cut = text.find('\n');
    const std::string list = text.substr(0, cut);
    const std::string key = cut == std::string::npos ? "s1" : text.substr(cut + 1);
    const DelimitedList items(list);
    const size_t count = items.ItemCount();
    for (size_t i = 0; i <= count && i < 64; ++i) items.ItemAt(i, "d");
    items.ValueOf(key, "d", "e");
    ChooseLanguageSection(list, key);
    LangStringIn(list, key, "d");
    const EntryHeader entry = ParseEntryHeader(list);
    IsSafeEntryName(entry.fileName);
    TryDecodeToken(list);
    return 0;
}
