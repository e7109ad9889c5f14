#include "stub/update/download_plan.h"

#include <algorithm>

#include "stub/run/text_search.h"

std::string UrlFileName(std::string_view url) {
    const size_t slash = url.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

std::string WithHttpScheme(std::string_view url) {
    if (FindNoCase(url, "http://") != std::string_view::npos ||
        FindNoCase(url, "https://") != std::string_view::npos)
        return std::string(url);
    return "http://" + std::string(url);
}

std::string PartialFileName(std::string_view target, uint32_t size, uint32_t dosDateTime) {
    return std::string(target) + "." + std::to_string(static_cast<uint32_t>(size + dosDateTime));
}

uint32_t DownloadChunkSize(uint32_t size) {
    return std::clamp<uint32_t>(size / 10, 1, 8192);
}

ProgressStart DownloadProgressStart(uint64_t bytesSoFar, uint32_t chunk, uint32_t size) {
    chunk = std::max<uint32_t>(chunk, 1);
    const uint64_t position = (bytesSoFar + chunk / 2) / chunk + 1;
    const uint64_t maximum = (uint64_t{size} + chunk - 1) / chunk + 1;
    return {static_cast<uint32_t>(position), static_cast<uint32_t>(maximum)};
}
