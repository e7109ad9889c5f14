// -concat: a firmware image and an NVDATA text make a flashable firmware file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flash/images/firmware_image.h"

inline constexpr size_t kConcatOutputBufferSize = 0xC0000;

// Lays out the output file in out: the main image, the bootloader and, for a T470, the
// initialization image, then the NVDATA as a new extended image of type 3, with the link to it and
// the checksums patched. Every other extended image is dropped. Answers the file's length, or 0
// after printing why it cannot be built.
size_t AssembleConcatenatedImage(FirmwareImage firmware, const uint8_t* nvdata, size_t nvdataLength,
                                 uint8_t* out, size_t size);

int ConcatenateCommand(uint32_t adapterHandle, uint16_t* iocStatus, uint32_t* iocLogInfo);
