// -vpd (program manufacturing page 1 from a VPD text) and -showvpd (print the VPD it holds).
#pragma once

#include <cstddef>
#include <cstdint>

#include "flash/images/vpd_layout.h"

// Prints the VPD of a manufacturing page 1 (kVpdPageLength bytes). False when the resources do not
// end at the end tag inside the VPD.
bool DisplayVpd(const uint8_t* page);
// The listed keywords of one resource, until the first keyword the label table lacks.
void DisplayKeywords(const uint8_t* vpd, size_t length, const VpdResource& resource);

int VpdCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int ShowVpdCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
