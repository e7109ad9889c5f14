// Runs the filed commands in class order through the current operation table.
#pragma once

#include <cstdint>
#include <span>

// A command's handler: the current adapter's handle (0 when none) and the status of the last
// controller request it wants reported. Non-zero for success.
using CommandHandler = int (*)(uint32_t adapterHandle, uint16_t* iocStatus, uint32_t* iocLogInfo);

struct OperationEntry {
    uint32_t identifier;
    CommandHandler handler;
};

std::span<const OperationEntry> NormalOperationTable();
std::span<const OperationEntry> AdvancedOperationTable();

// Answers the success of the last command that ran.
int RunCommands();
