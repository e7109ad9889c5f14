// The header in front of an entry's file data: a '|' list of the entry name and its MS-DOS stamp,
// ended by the first NUL of the payload. The name decides where the data land, so it is vetted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct EntryHeader {
    std::string item0;           // the name as stored, '*' and extra command-line text included
    std::string fileName;        // item 0 up to its '*'
    uint32_t dosStamp = 0;       // 0: leave the date as the system sets it
    bool startsProgram = false;  // item 0 carries the '*' of the program to start
};

EntryHeader ParseEntryHeader(std::string_view header);

// A decimal integer as a 32-bit stamp (negative values are stamps past 2043); 0 when the whole
// text is not a number.
uint32_t ParseDosStamp(std::string_view text);

// False for names that would land outside the extraction directory: empty, absolute (leading '\'
// or '/'), carrying a drive or stream colon, or with a ".." component.
bool IsSafeEntryName(std::string_view name);

// The base name of the disks of a package: the first disk's name without a trailing ".001".
std::string DiskBaseName(std::string_view firstDisk);
// The name of disk `number` (2 and up): base + "." + three digits.
std::string DiskFileName(std::string_view base, unsigned number);
