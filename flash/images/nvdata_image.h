// The NVDATA image built from the parsed pages: header, identity block, one directory descriptor
// per record, then the data records without gaps.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flash/images/nvdata_text.h"

inline constexpr size_t kNvdataWorkBufferSize = 5120;
inline constexpr uint16_t kT470DeviceId = 0x0062;

// Whether the text's DEVICE_ID selects the T470 page set (manufacturing pages 6 and 8 included).
inline bool UsesT470PageSet(const NvdataPages& pages) {
    return NvdataDeviceId(pages) == kT470DeviceId;
}

// Writes the NVDATA image into out and answers its length: 3032 bytes with the T470 page set,
// 2856 without; 0 when out is too small.
size_t BuildNvdataImage(const NvdataPages& pages, bool t470PageSet, uint8_t* out, size_t size);
