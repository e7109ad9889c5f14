// The argument file, opened and mapped whole as one writable shared view for the run; every
// rewrite is made in the view, so the file's length never changes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/win_handles.h"

class JobFile {
  public:
    // Each step answers 0 or the system error number.
    // Others may keep reading the file unless it is opened exclusively (autonomic form).
    uint32_t Open(const std::string& name, bool exclusive);
    uint32_t CreateMapping();
    uint32_t MapView();

    std::span<char> view() const { return {static_cast<char*>(view_.get()), size_}; }

    // The pages of [offset, offset + count) and the file's own buffers reach the disk.
    void Persist(size_t offset, size_t count);

    void Release();

  private:
    UniqueHandle file_;
    UniqueHandle mapping_;
    MappedView view_;  // released first: declared last
    size_t size_ = 0;
};
