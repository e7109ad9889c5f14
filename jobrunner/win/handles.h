// Owners for every Win32 handle the runner holds: each is closed exactly once, on every path.
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
    void reset(Type value = Traits::Invalid()) {
        if (Traits::Valid(value_)) Traits::Close(value_);
        value_ = value;
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
    static void Close(Type h) { CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};

struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { CloseServiceHandle(h); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};

struct MappedViewTraits {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type p) { return p != nullptr; }
    static void Close(Type p) { UnmapViewOfFile(p); }
};

using UniqueHandle = Owned<KernelHandleTraits>;  // files, mappings, processes, tokens
using FindHandle = Owned<FindHandleTraits>;
using ServiceHandle = Owned<ServiceHandleTraits>;
using RegistryKey = Owned<RegistryKeyTraits>;
using MappedView = Owned<MappedViewTraits>;
