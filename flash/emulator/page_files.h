// Configuration pages on disk: one hex file per page copy under the controller's pages/
// directory, named "<type>-<number>.<copy>.hex" or, for extended pages,
// "0f-<ext type>-<number>.<copy>.hex" (type and ext type in two hex digits, number in decimal).
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "flash/emulator/lab.h"
#include "flash/emulator/lab_text.h"

namespace emu {

std::string PageFileName(PageKey key, PageCopy copy);

// Reads every page file of pages/; the first problem names its file.
bool LoadPages(const std::filesystem::path& pagesDir, std::map<PageKey, Page>* pages,
               std::filesystem::path* problemFile, TextProblem* problem);

bool SavePageCopy(const Controller& controller, PageKey key, PageCopy copy,
                  const std::vector<uint8_t>& bytes);

std::string_view PageCopyText(PageCopy copy);

}  // namespace emu
