// Arbitrary manifest text through the parser and the header-block composer.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/package_builder/manifest.h"
#include "tools/package_builder/package_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    const auto manifest =
        ParseManifest(std::string(reinterpret_cast<const char*>(data), size), "base", error);
    std::vector<std::string> blocks;
    if (manifest) HeaderBlocks(*manifest, blocks, error);
    return 0;
}
