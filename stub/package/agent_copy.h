// The auto-update agent copy: the stub image and header blocks of the first disk, with the
// recorded trailer end cleared and a trailer that says IsAgent, so the copy finds its own trailer
// at its end and carries no entries.
#pragma once

#include <cstdint>
#include <string>

#include "stub/package/extract_target.h"
#include "stub/package/package_trailer.h"

bool WriteAgentCopy(FileReader& firstDisk, const PackageTrailer& trailer, uint64_t firstEntryOffset,
                    OutputFile& out, ExtractObserver& observer);

// The agent copy a web stub makes of its whole executable: cut where its trailer ends (a signature
// after the package is left out) with the trailer's IsAgent byte set. The image as it is, flagged
// the same way, when no trailer is found.
std::string WebAgentCopy(std::string image);
