// The vocabulary of the NVDATA text: the 43 sections, in the order their records take in the
// NVDATA image, and for each section the fields it accepts with the bytes each one writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

enum class NvdataArea : uint8_t {
    kPage,         // the section's page buffer, page header included
    kHeader,       // the NvdataHeader
    kIdentity,     // the NvdataIdentity block
    kForceUpdate,  // bit 0 of the value: the force-update flag of the section's descriptor
};

enum class NvdataWidth : uint8_t { kText = 0, kU8 = 1, kU16 = 2, kU32 = 3 };

struct NvdataField {
    const char* name;
    NvdataArea area;
    NvdataWidth width;
    uint16_t offset;
    uint16_t extent;     // bytes a value may fill: the number's width or the text's extent
    bool zeroAfterText;  // the vendor and product id texts are followed by a zero byte
};

enum class NvdataRecord : uint8_t {
    kNone,            // SECTION_GENERAL_DATA fills the header and identity block
    kPage,            // a directory descriptor and a data record
    kDescriptorOnly,  // the persistent-ID record: its fields are accepted and go nowhere
};

struct NvdataSection {
    const char* name;
    NvdataRecord record;
    uint8_t pageType;  // extended pages: the extended page type
    uint8_t pageNumber;
    uint16_t pageLength;   // bytes, page header included
    uint8_t headerLength;  // 4, or 8 for extended pages
    bool t470Only;         // reaches the image only with the T470 page set
    std::span<const NvdataField> headerFields;
    std::span<const NvdataField> fields;
};

inline constexpr size_t kNvdataSectionCount = 43;
inline constexpr size_t kNvdataHeaderSize = 36;
inline constexpr size_t kNvdataIdentitySize = 64;
inline constexpr size_t kNvdataMaxPageLength = 260;

// In record order; SECTION_GENERAL_DATA first.
std::span<const NvdataSection> NvdataSections();

// The section's index in NvdataSections(), or -1. Names match exactly, case included.
int FindNvdataSection(std::string_view name);
// Only the section's own fields are searched.
const NvdataField* FindNvdataField(const NvdataSection& section, std::string_view name);
