// The free-space estimate shown before a foreground extraction: the megabyte texts and the notice
// composed from the package's language strings. The stub supplies the drive's numbers.
#pragma once

#include <string>
#include <string_view>

#include "stub/package/tg_file_info.h"

// Bytes as megabytes: 1 decimal above 10, 3 below 1, else 2; negative counts as 0.
std::string MegabyteText(double bytes);

// The text of the space notice, or empty when no notice is due (the flag is clear and the space
// suffices). `directory` gives the drive letter; `need` and `free` are bytes.
std::string SpaceNoticeText(const TGFileInfo& info, LanguageContext& language,
                            std::string_view directory, double need, double free);
