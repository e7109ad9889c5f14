// Arbitrary bytes through every walk over a firmware image, a common boot block or an Ombra image:
// none may read outside the buffer or fail to end, and what they hand back must hold together.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "flash/images/common_boot_block.h"
#include "flash/images/firmware_image.h"
#include "flash/images/firmware_validation.h"

namespace {

// Device ids of every family and one unknown, chosen by the input's last byte.
constexpr uint16_t kDevices[] = {0x0050, 0x0054, 0x0056, 0x0058, 0x0060, 0x0062, 0x0070};

void CheckBlock(const std::vector<uint8_t>& cbb) {
    if (!cbb.empty() && CommonBootBlockProblem(cbb.data(), cbb.size())) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The validators print their lines; the fuzzer needs none of them.
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 24)) return 0;
    std::vector<uint8_t> image(data, data + size);
    const FirmwareImage view{image.data(), image.size()};
    const uint8_t last = size ? data[size - 1] : 0;
    CheckFirmwareFile(view, kDevices[last % std::size(kDevices)], last >> 3);
    NvdataIdentity identity;
    ReadIdentity(view, &identity);
    FindBootloaderImage(view);
    FindInitImage(view);
    CbbVersion version;
    ParseCbbVersion(image.data(), image.size(), &version);

    std::vector<uint8_t> cbb;
    const char* problem = nullptr;
    uint32_t length = static_cast<uint32_t>(size);
    if (ExtractOmbraBootBlock(image.data(), &length, &cbb, &problem)) {
        if (length + cbb.size() != size) __builtin_trap();
        CheckBlock(cbb);
    } else if (!problem || length != size || !cbb.empty()) {
        __builtin_trap();
    }

    length = static_cast<uint32_t>(size);
    if (SplitCommonBootBlock(image.data(), &length, &cbb, &problem)) {
        if (length > size) __builtin_trap();
        if (cbb.empty() && (length != size || !std::equal(image.begin(), image.end(), data)))
            __builtin_trap();
        CheckBlock(cbb);
        // What is left must still walk: the packed chain again, without a block this time.
        if (!cbb.empty()) {
            const uint32_t packed = length;
            std::vector<uint8_t> again;
            if (!SplitCommonBootBlock(image.data(), &length, &again, &problem) || !again.empty() ||
                length != packed)
                __builtin_trap();
        }
    } else if (!problem || length != size || !std::equal(image.begin(), image.end(), data)) {
        __builtin_trap();
    }
    return 0;
}
