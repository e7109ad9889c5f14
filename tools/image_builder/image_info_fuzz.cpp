// libFuzzer target: the file walker behind `tessel-image info`.
#include <cstddef>
#include <cstdint>

#include "tools/image_builder/image_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    imgb::DescribeImage(data, size);
    return 0;
}
