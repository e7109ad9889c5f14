// Running programs found by the path of their executable: whether one runs, waiting for it to end,
// posting to its main window and terminating it. The agent uses this to stop the program an
// update replaces and to reach its own running X_ copy.
#pragma once

#include <windows.h>

#include <string>

// The id of a process whose executable matches `path` (its full name, its file name unless
// `fullPathOnly`, or the same short 8.3 form), searched from the newest; 0 when none.
DWORD FindProcessByPath(const std::string& path, bool fullPathOnly);
// Blanks and surrounding quotes removed, a process matches by full or file name.
bool IsRunning(const std::string& path);
// Pumps messages until the process of `path` has ended, or `limitMs` (0: none) has passed.
void WaitUntilEnded(const std::string& path, DWORD limitMs);
// The main window of the process of `path`: among its top-level windows the one owning the most
// others, then titled, then visible; null when none scores.
HWND MainWindowOf(const std::string& path, bool fullPathOnly);
// Posts `message` (wParam 15, lParam 255) to the process's main window; false when there is none.
bool PostToMainWindow(const std::string& path, UINT message, bool fullPathOnly);
// Ends the process with exit code 0; false when none was found or it could not be ended.
bool TerminateByPath(const std::string& path, bool fullPathOnly);
