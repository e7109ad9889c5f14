// The X_ agent's process-wide cycle variables, which the control messages set and the timer
// ticks read.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

inline constexpr int kTransientCount = 8;
inline constexpr uint8_t kTransientUnset = 255;

struct AgentState {
    int64_t tickCounter = -3;
    int64_t stopCode = -1;  // -1 runs on; n >= 0 ends the agent after n more ticks
    int cycleMode = 0;      // 2 requested interactive check, 1 during it
    bool cycleRequested = false;
    bool infoOnlyRequested = false;
    bool probingEnabled = true;
    int cycleState = 0;  // 0 idle, 1 info file, 2 update or inform file, 3 installing
    bool busy = false;
    bool testMode = false;
    std::string testSource;
    ULONGLONG lastTestModeRead = 0;
    bool testModeRead = false;
    // Immediate update, RequestConfirmationBeforeDownload, ...BeforeInstall, BackgroundUpdate,
    // InformFinish, RestartProcess, ...BeforeDownloadForce, ...BeforeInstallForce.
    uint8_t transient[kTransientCount] = {255, 255, 255, 255, 255, 255, 255, 255};
    HWND peerWindow = nullptr;
    UINT peerMessage = 0;
};

AgentState& Agent();

// Applies a "|"-list of eight numbers to the transient settings; a missing or non-numeric item
// leaves its setting as it is.
void ApplyTransientList(const std::string& list);
// Test mode from the registry, read again at most every 30 s unless forced.
bool ReadTestMode(bool force);
