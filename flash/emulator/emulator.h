// The controller emulator behind PlatformSysCalls() in `tessel-emu`: the four system calls of
// the Linux binding, answered from the lab named by TESSEL_LAB (LAB.md).
#pragma once

// Forgets the loaded lab and every open descriptor, so that the next call reads the lab again
// (from the TESSEL_LAB of that moment), as a new run of the program would.
void EmulatorResetForTest();
