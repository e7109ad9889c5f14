// The configuration request under PalConfigRead and PalConfigWrite.
#pragma once

#include <cstdint>

#include "flash/pal/mpi_messages.h"

// One configuration request with the page header and extended page length given. On IOCStatus 0
// the reply's header and ExtPageLength are copied back; the configuration IOCStatus values become
// their PAL statuses and any other non-zero IOCStatus PAL_ERR_FAILED.
uint32_t PalConfigRequest(uint32_t adapterHandle, uint8_t action, MpiConfigPageHeader* header,
                          uint32_t pageAddress, uint8_t extPageType, uint16_t* extPageLength,
                          void* buffer, uint32_t bufferLength);
