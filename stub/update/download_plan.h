// The arithmetic and names of one download: what the file is called, where the partial bytes go,
// how big the reads are and where the progress bar starts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The part of the URL after its last '/' (or '\').
std::string UrlFileName(std::string_view url);
// The URL with "http://" in front, unless it already names "http://" or "https://".
std::string WithHttpScheme(std::string_view url);
// target + "." + the decimal unsigned 32-bit sum of size and date: a partial file belongs to one
// version of the remote file.
std::string PartialFileName(std::string_view target, uint32_t size, uint32_t dosDateTime);
// A tenth of the size, at least 1 and at most 8192 bytes.
uint32_t DownloadChunkSize(uint32_t size);

struct ProgressStart {
    uint32_t position;
    uint32_t maximum;
};
// Position: chunks so far, rounded, plus 1; maximum: chunks of the file, rounded up, plus 1.
ProgressStart DownloadProgressStart(uint64_t bytesSoFar, uint32_t chunk, uint32_t size);
