// A string whose first character is its delimiter: "|a|b|" holds the items a and b. Header
// strings, language sections and entry headers are all such lists.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class DelimitedList {
  public:
    explicit DelimitedList(std::string_view text) : text_(text) {}

    // 0 for an empty list or one whose last character differs from its first.
    size_t ItemCount() const;
    // The text between delimiter occurrences i and i+1 (or the end of the list); the default
    // for an empty or missing item.
    std::string ItemAt(size_t index, std::string_view fallback = {}) const;
    // The value of a key=value item, keys matched case-insensitively; `emptyValue` for a found
    // but empty value, `fallback` when the key is absent or the list malformed.
    std::string ValueOf(std::string_view key, std::string_view fallback = {},
                        std::string_view emptyValue = {}) const;

  private:
    std::string_view text_;
};
