// A firmware file's bytes owned by one operation: flashing may repack them, while the command's
// own copy stays as the parser read it.
#pragma once

#include <cstdint>

#include "flash/frontend/memory.h"
#include "flash/images/firmware_image.h"

class ImageBuffer {
  public:
    ImageBuffer() = default;
    ~ImageBuffer() { FreeCounted(data_); }
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;

    bool Allocate(uint32_t length) {
        FreeCounted(data_);
        data_ = static_cast<uint8_t*>(AllocZeroed(length));
        length_ = data_ ? length : 0;
        return data_ != nullptr;
    }
    uint8_t* data() { return data_; }
    uint32_t length() const { return length_; }
    FirmwareImage image() const { return {data_, length_}; }

  private:
    uint8_t* data_ = nullptr;
    uint32_t length_ = 0;
};
