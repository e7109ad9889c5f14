// FileCopier: copies one job file into place, unscrambling a marked file and dropping its marker.
#pragma once

#include <cstdint>

class FileCopier {
  public:
    virtual ~FileCopier() = default;

    // 0 copied, 5 a file cannot be opened, 10 a marked file that cannot be transformed,
    // 15 no source name, 16 no destination name, -2 the source cannot be opened again.
    int copyFile(const char* source, const char* destination);
    int copyContent(const char* source, const char* destination);

    uint32_t size = 0;  // of the file measured last
};
