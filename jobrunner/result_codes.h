// Result codes of a run: evaluation results, the runner's own failures and the exit-status bits.
#pragma once

#include <cstdint>

constexpr uint32_t kResultContinue = 0;
constexpr uint32_t kResultAbort = 2;
constexpr uint32_t kResultReboot = 5;
constexpr uint32_t kResultRebootForbidden = 6;
constexpr uint32_t kResultNoAdequateHardware = 16;

constexpr uint32_t kResultRunFailed = 0x22030003;
constexpr uint32_t kResultParametersMissing = 0x22030004;
constexpr uint32_t kResultParametersNoMemory = 0x22030005;
constexpr uint32_t kResultFwPathKeyMissing = 0x22030007;

// Any failed step of the autonomic form reports this instead of its own code.
constexpr uint32_t kAutonomicStepFailed = 55;

constexpr uint32_t kDelayedRebootBit = 0x100000;

// Code recorded for a command whose program cannot be found.
constexpr int32_t kCodeProgramMissing = 666;
// What cmd.exe answers for a command it cannot find.
constexpr int32_t kCodeInterpreterNotFound = 9009;
