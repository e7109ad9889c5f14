// Output, mode and information commands: -o, -ombramode, -l, -s, -debug, verbose, -ver, -h/-?.
#pragma once

#include <cstdint>

int AdvancedModeCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int OmbraModeCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int LogCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int SilentCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int DebugCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int VerboseCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int VersionCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int HelpCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
