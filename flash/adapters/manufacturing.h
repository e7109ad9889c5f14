// Per-board identity in the controller's manufacturing pages (NVRAM copies): the SAS address in
// page 5 (-sasadd, -sasaddhi), the board assembly and tracer numbers in page 0 (-assem, -tracer),
// and the bar-code filter character (-scanchar) for SAS address texts.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t kSasAddressDigits = 16;
inline constexpr size_t kSasAddressHighDigits = 7;  // -sasaddhi's argument
inline constexpr size_t kBoardTextSize = 16;        // assembly and tracer fields

inline constexpr size_t kBoardAssemblyOffset = 0x2C;
inline constexpr size_t kBoardTracerOffset = 0x3C;

// The text after the first scanChar in text (moved to the front of text), true; or, when the text
// holds no scanChar, the unable-to-find line, text unchanged and false.
bool ApplyScanChar(char scanChar, char* text);

// Writes a 16-digit address into manufacturing page 5, reading the page first so that its other
// fields stay as they were.
bool ProgramSasAddress(const char* text, uint32_t handle, uint16_t* iocStatus,
                       uint32_t* iocLogInfo);

// Writes 16 bytes of text at pageOffset (kBoardAssemblyOffset or kBoardTracerOffset) of
// manufacturing page 0.
bool ProgramBoardText(uint32_t handle, const char* text, size_t pageOffset, uint16_t* iocStatus,
                      uint32_t* iocLogInfo);

int ScanCharCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int SasAddressCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int SasAddressHiCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int AssemblyCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int TracerCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
