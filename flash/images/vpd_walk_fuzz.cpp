// The VPD resource and keyword walks, and the checksum they lead to, over hostile bytes.
#include <cstdint>
#include <vector>

#include "flash/images/vpd_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> vpd(data, data + size);
    VpdResourceWalk resources(vpd.data(), vpd.size());
    VpdResource resource;
    size_t previous = 0;
    while (resources.Next(&resource)) {
        if (resource.offset < previous || resource.dataOffset + resource.dataLength > vpd.size())
            __builtin_trap();
        previous = resource.offset + 3;
        VpdKeywordWalk keywords(vpd.data(), vpd.size(), resource);
        VpdKeyword keyword;
        while (keywords.Next(&keyword)) {
            if (keyword.valueOffset + keyword.valueLength >
                resource.dataOffset + resource.dataLength)
                __builtin_trap();
        }
    }
    if (VpdIdentifierLength(vpd.data(), vpd.size()) + 3 > vpd.size() && vpd.size() >= 3)
        __builtin_trap();
    if (SetVpdChecksum(vpd.data(), vpd.size())) {
        // The bytes through the checksum byte now sum to zero: find it the same way again.
        VpdResourceWalk again(vpd.data(), vpd.size());
        while (again.Next(&resource)) {
            VpdKeywordWalk keywords(vpd.data(), vpd.size(), resource);
            VpdKeyword keyword;
            while (keywords.Next(&keyword)) {
                if (!IsVpdKeyword(keyword, "RV") || keyword.valueLength == 0) continue;
                uint8_t sum = 0;
                for (size_t i = 0; i <= keyword.valueOffset; ++i) sum += vpd[i];
                if (sum != 0) __builtin_trap();
                return 0;
            }
        }
        __builtin_trap();
    }
    return 0;
}
