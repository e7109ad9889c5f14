// Owners for the Win32 handles the Windows programs hold: each is closed exactly once, on every
// path.
#pragma once

#include <windows.h>

template <typename Traits>
class Owned {
  public:
    using Type = typename Traits::Type;

    Owned() = default;
    explicit Owned(Type value) : value_(value) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : value_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

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
    // For calls that hand the handle back through a pointer.
    Type* out() {
        reset();
        return &value_;
    }

  private:
    Type value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return CloseHandle(h) != 0; }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return FindClose(h) != 0; }
};

struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return CloseServiceHandle(h) != 0; }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

struct MappedViewTraits {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type p) { return p != nullptr; }
    static bool Close(Type p) { return UnmapViewOfFile(p) != 0; }
};

struct LibraryTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return FreeLibrary(h) != 0; }
};

using UniqueHandle = Owned<KernelHandleTraits>;  // files, mappings, processes, tokens
using FindHandle = Owned<FindHandleTraits>;
using ServiceHandle = Owned<ServiceHandleTraits>;
using RegistryKey = Owned<RegistryKeyTraits>;
using MappedView = Owned<MappedViewTraits>;
using LibraryHandle = Owned<LibraryTraits>;
