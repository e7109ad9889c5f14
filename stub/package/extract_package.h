// Extraction of a package, one disk file after the other, into an ExtractTarget. Each disk's
// block chain is validated before anything of it is written; entries are read in 64 KiB slices
// and inflated slice by slice straight into their files, so memory stays bounded whatever the
// entry size.
#pragma once

#include <cstdint>
#include <string>

#include "stub/package/extract_target.h"

enum class ExtractStatus {
    kDone,
    kFirstDiskMissing,
    kChecksumFailed,
    kCorrupt,        // a disk's trailer or block chain is unusable; nothing of it was written
    kInflateFailed,  // zlib refused an entry; its file was removed
    kReadFailed,
    kCancelled,  // a further disk was not supplied
};

// Counts that outlive one extraction (the stub keeps them for the process), so each kind of
// failure is shown to the user once.
struct ExtractCounters {
    unsigned writeErrors = 0;
    unsigned refusedNames = 0;
};

struct ExtractRequest {
    std::string archive;        // first disk: the stub, a ".001" file or a downloaded package
    std::string agentName;      // AgentExeName when an agent copy is to be written
    uint32_t archiveStamp = 0;  // MS-DOS date-time of the archive, for the agent copy
};

struct ExtractResult {
    ExtractStatus status = ExtractStatus::kDone;
    std::string runName;  // item 0 of the last entry marked '*'; empty unless all went well
    bool checksumPassed = false;
    uint32_t filesCount = 0;
};

ExtractResult ExtractPackage(const ExtractRequest& request, DiskSource& disks,
                             ExtractTarget& target, ExtractObserver& observer,
                             ExtractCounters& counters);

// Size of the slices in which blocks are read and inflated data written.
constexpr size_t kExtractSlice = 65536;
// Longest entry header accepted; a longer one cannot be a file name.
constexpr size_t kMaxEntryHeader = 32768;
