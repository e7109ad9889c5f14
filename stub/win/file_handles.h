// Owners for the handles the stub's file layer holds (files, directory searches, registry keys),
// so each is closed exactly once on every path.
#pragma once

#include <windows.h>

template <typename Traits>
class ScopedHandle {
  public:
    using Type = typename Traits::Type;

    ScopedHandle() = default;
    explicit ScopedHandle(Type value) : value_(value) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(ScopedHandle&& other) noexcept : value_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Type get() const { return value_; }
    explicit operator bool() const { return Traits::Valid(value_); }
    Type release() {
        const Type value = value_;
        value_ = Traits::Invalid();
        return value;
    }
    // False when closing failed (a file's last buffered write can fail here).
    bool reset(Type value = Traits::Invalid()) {
        bool closed = true;
        if (Traits::Valid(value_)) closed = Traits::Close(value_);
        value_ = value;
        return closed;
    }
    Type* out() {
        reset();
        return &value_;
    }

  private:
    Type value_ = Traits::Invalid();
};

struct ScopedFileTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return CloseHandle(h) != 0; }
};

struct ScopedFindTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return FindClose(h) != 0; }
};

struct ScopedKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

using ScopedFile = ScopedHandle<ScopedFileTraits>;
using ScopedFind = ScopedHandle<ScopedFindTraits>;
using ScopedKey = ScopedHandle<ScopedKeyTraits>;
