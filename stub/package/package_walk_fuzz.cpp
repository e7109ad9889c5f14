// A disk file of arbitrary bytes through every reader of the package: trailer, block walk,
// TGFileInfo with its lookups, and a whole extraction into memory (also as a spanned first disk).
#include <cstdint>
#include <string>

#include "stub/package/extract_package.h"
#include "stub/package/package_checksum.h"
#include "stub/package/test_package.h"
#include "stub/package/tg_file_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    MemoryFileReader file(bytes);
    const TrailerPlace place = ReadTrailer(file);
    PackageChecksum(file, place.trailer.trailerLength);
    const TGFileInfo info(&file);
    LanguageContext language(7);
    info.LangString("s0", "x", language);
    info.OriginalFileName();
    info.UpdateToken(true);
    info.SpaceNeededFor(4096);

    testpkg::MemoryDisks disks;
    disks.disks["setup.exe.001"] = bytes;
    disks.disks["setup.exe.002"] = bytes;
    testpkg::MemoryTarget target;
    testpkg::RecordingObserver observer;
    ExtractCounters counters;
    ExtractPackage({"setup.exe.001", "Agent.exe", 0}, disks, target, observer, counters);
    return 0;
}
