#include "stub/package/agent_copy.h"

#include <algorithm>
#include <vector>

#include "stub/package/extract_package.h"

bool WriteAgentCopy(FileReader& firstDisk, const PackageTrailer& trailer, uint64_t firstEntryOffset,
                    OutputFile& out, ExtractObserver& observer) {
    std::vector<uint8_t> slice(kExtractSlice);
    for (uint64_t offset = 0; offset < firstEntryOffset;) {
        const size_t n =
            static_cast<size_t>(std::min<uint64_t>(slice.size(), firstEntryOffset - offset));
        if (!firstDisk.ReadExact(offset, slice.data(), n)) return false;
        // Bytes 252..255: the low half of TrailerEndOffset.
        for (uint64_t at = kTrailerEndLowOffset; at < kTrailerEndLowOffset + 4; ++at)
            if (at >= offset && at < offset + n) slice[static_cast<size_t>(at - offset)] = 0;
        if (!out.Write(slice.data(), n)) return false;
        offset += n;
        observer.Pump();
    }
    PackageTrailer agent = trailer;
    agent.isAgent = 1;
    agent.trailerLength = kTrailerSize;
    const auto bytes = SerializeTrailer(agent);
    return out.Write(bytes.data(), bytes.size());
}

std::string WebAgentCopy(std::string image) {
    MemoryFileReader reader(image);
    const TrailerPlace place = ReadTrailer(reader);
    if (place.ok() && place.trailerEnd < image.size()) image.resize(place.trailerEnd);
    // IsAgent is the byte before the trailer's closing length.
    if (image.size() > 5) image[image.size() - 5] = 1;
    return image;
}
