// Numbered file slots: what command records and the image code pass around as file handles.
#pragma once

#include <cstdint>

inline constexpr int kFileSlotCount = 64;

void FileTableInit();
// Returns the slot number (1 to 64), or -1 when no slot is free, the open fails or the size
// cannot be read (or does not fit 32 bits).
int FileSlotOpen(const char* path, const char* mode, uint32_t* size);
bool FileSlotRead(int slot, uint32_t size, void* buffer);
bool FileSlotWrite(int slot, uint32_t size, const void* buffer);
// Empties the file, dropping anything still buffered: a failed write leaves no partial file.
bool FileSlotTruncate(int slot);
void FileSlotClose(int slot);
