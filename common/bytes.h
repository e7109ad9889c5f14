// Bounds-checked little-endian access to byte buffers. Every wire format of the kit (driver
// structures, controller frames, images, package blocks) is read and written through these, so a
// field past the end is a recorded failure instead of a stray access.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteReader {
  public:
    ByteReader(const void* data, size_t size)
        : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

    size_t size() const { return size_; }
    const uint8_t* data() const { return data_; }
    // False once any access ran past the end; such accesses read as zero.
    bool ok() const { return ok_; }
    bool Has(size_t offset, size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }

    uint8_t U8(size_t offset) { return static_cast<uint8_t>(Get(offset, 1)); }
    uint16_t U16(size_t offset) { return static_cast<uint16_t>(Get(offset, 2)); }
    uint32_t U32(size_t offset) { return static_cast<uint32_t>(Get(offset, 4)); }
    uint64_t U64(size_t offset) { return Get(offset, 8); }
    bool Copy(size_t offset, void* out, size_t count) {
        if (!Has(offset, count)) return ok_ = false;
        if (count) std::memcpy(out, data_ + offset, count);
        return true;
    }

  private:
    uint64_t Get(size_t offset, size_t width) {
        if (!Has(offset, width)) {
            ok_ = false;
            return 0;
        }
        uint64_t value = 0;
        for (size_t i = 0; i < width; ++i) value |= uint64_t{data_[offset + i]} << (8 * i);
        return value;
    }

    const uint8_t* data_;
    size_t size_;
    bool ok_ = true;
};

class ByteWriter {
  public:
    ByteWriter(void* data, size_t size)
        : data_(static_cast<uint8_t*>(data)), size_(data ? size : 0) {}

    size_t size() const { return size_; }
    // False once any access ran past the end; such writes change nothing.
    bool ok() const { return ok_; }
    bool Has(size_t offset, size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }

    void U8(size_t offset, uint8_t value) { Put(offset, value, 1); }
    void U16(size_t offset, uint16_t value) { Put(offset, value, 2); }
    void U32(size_t offset, uint32_t value) { Put(offset, value, 4); }
    void U64(size_t offset, uint64_t value) { Put(offset, value, 8); }
    bool Copy(size_t offset, const void* in, size_t count) {
        if (!Has(offset, count)) return ok_ = false;
        if (count) std::memcpy(data_ + offset, in, count);
        return true;
    }

  private:
    void Put(size_t offset, uint64_t value, size_t width) {
        if (!Has(offset, width)) {
            ok_ = false;
            return;
        }
        for (size_t i = 0; i < width; ++i)
            data_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }

    uint8_t* data_;
    size_t size_;
    bool ok_ = true;
};
