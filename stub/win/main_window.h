// The stub's small main window: hidden until an extraction runs in the foreground, it carries
// the status text and the two progress bars, and its first timer tick performs the installation.
#pragma once

#include <cstdint>
#include <string>

#include "stub/win/http_download.h"

// Window messages of the agent's control protocol.
constexpr unsigned kWmShutDown = 1123;
constexpr unsigned kWmLocalMsg = 1124;
constexpr unsigned kWmAgentMsg = 1125;
constexpr unsigned kMainWindowWidth = 492;
constexpr unsigned kMainWindowHeight = 110;

namespace wyvern {
// Registers the class, makes the main window and runs the message loop until it ends.
void WinMain();
}  // namespace wyvern

// The activity text with the language's font; right-to-left charsets (177, 178) align right.
void SetStatusText(const std::string& text, const std::string& fontName, int charset, int fontSize);
void ShowActivityBar();
// The extraction's progress: reset to `count` files, or one step.
void ProgressReset(uint32_t count);
void ProgressStep();
// A download's progress on the same bars: the file bar in chunks, the activity bar cycling.
TProgBar::Procedure MainWindowProgress();
// Sets the stop flag and removes SetupDir, ends the loop.
void DestroyMainWindow();
// The first close only requests a stop; answers whether the close may proceed.
bool CloseMainWindow();
