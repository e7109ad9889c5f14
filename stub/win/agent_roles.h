// The roles an installed auto-update agent copy plays and what the run sequence calls for them:
// the plain agent's start-up, the X_ agent's control messages and cycle tick, the agent log.
#pragma once

#include <windows.h>

#include <string>

// Agent mode and the own file name equal to AgentExeName.
bool IsPlainAgent();
// Agent mode and the own file name equal to "X_" + AgentExeName.
bool IsXAgent();
// The window of class ".AutoUpdate.X_" + AgentExeName without its last extension, or null.
HWND XAgentWindow();
// That window exists.
bool XAgentIsRunning();

// A line of the agent log, written only in agent mode with AgentLog set.
void AgentLog(const std::string& line);
// Plain agent: make and start the X_ copy.
void CreateAndRun_X_Exe();
// Plain agent: forward the command line's requests to the running X_ agent.
void HandleParamOK(bool xAgentWasRunning);
// X_ agent: the registry's test-mode settings and the "/TRANSIENTx=" list it was started with.
void ReadTestModeSettings();
// The agent cycle's initial counter ("/SleepX=", stored negated).
void SetAgentInitialDelay(long long counter);
// One timer tick of the agent's update cycle.
void AgentCycleTick();
// The control messages wm_ShutDown (1123), wm_LocalMsg (1124) and wm_AgentMsg (1125).
LRESULT AgentControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Sends a code to the registered peer window, if any.
void PostToPeer(WPARAM code, LPARAM value);
// Releases the library the download code holds.
void ReleaseDownloadLibrary();
