#include "flash/frontend/file_table.h"

#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

FILE* gSlots[kFileSlotCount];

FILE* SlotStream(int slot) {
    if (slot < 1 || slot > kFileSlotCount) return nullptr;
    return gSlots[slot - 1];
}

}  // namespace

void FileTableInit() {
    for (FILE*& stream : gSlots) stream = nullptr;
}

int FileSlotOpen(const char* path, const char* mode, uint32_t* size) {
    for (int i = 0; i < kFileSlotCount; ++i) {
        if (gSlots[i]) continue;
        FILE* stream = std::fopen(path, mode);
        if (!stream) return -1;
        struct stat info;
        if (stat(path, &info) != 0 || info.st_size < 0 ||
            static_cast<uint64_t>(info.st_size) > UINT32_MAX) {
            std::fclose(stream);
            return -1;
        }
        gSlots[i] = stream;
        if (size) *size = static_cast<uint32_t>(info.st_size);
        return i + 1;
    }
    return -1;
}

bool FileSlotRead(int slot, uint32_t size, void* buffer) {
    FILE* stream = SlotStream(slot);
    if (!stream || std::fseek(stream, 0, SEEK_SET) != 0) return false;
    return std::fread(buffer, 1, size, stream) == size;
}

bool FileSlotWrite(int slot, uint32_t size, const void* buffer) {
    FILE* stream = SlotStream(slot);
    if (!stream) return false;
    return std::fwrite(buffer, 1, size, stream) == size && std::fflush(stream) == 0;
}

bool FileSlotTruncate(int slot) {
    FILE* stream = SlotStream(slot);
    if (!stream) return false;
    // Bytes a failed write left in the buffer would otherwise reach the file at close.
    __fpurge(stream);
    clearerr(stream);
    return ftruncate(fileno(stream), 0) == 0 && std::fseek(stream, 0, SEEK_SET) == 0;
}

void FileSlotClose(int slot) {
    FILE* stream = SlotStream(slot);
    if (!stream) return;
    std::fclose(stream);
    gSlots[slot - 1] = nullptr;
}
