// Message pumping: the stub has one thread, so every long wait hands pending window messages
// to their windows and keeps the main window and any open box alive.
#pragma once

#include <windows.h>

// Removes and dispatches every pending message of the thread, then sleeps.
void PumpMessages(DWORD sleepMilliseconds = 0);
// Returns after `milliseconds`, pumping meanwhile in short sleeps.
void PumpWait(DWORD milliseconds);
