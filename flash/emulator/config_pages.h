// Configuration requests against a controller's pages. Every page has up to three copies:
// current (what the running firmware uses), NVRAM (what it loads at a reset) and default.
#pragma once

#include <string>

#include "common/bytes.h"
#include "flash/emulator/lab.h"
#include "flash/emulator/mpi_messages.h"

namespace emu {

constexpr uint8_t kConfigActionPageHeader = 0;
constexpr uint8_t kConfigActionReadCurrent = 1;
constexpr uint8_t kConfigActionWriteCurrent = 2;
constexpr uint8_t kConfigActionPageDefault = 3;
constexpr uint8_t kConfigActionWriteNvram = 4;
constexpr uint8_t kConfigActionReadDefault = 5;
constexpr uint8_t kConfigActionReadNvram = 6;

// The page a configuration request names: type and number from its page header, the extended
// type only for type 0x0F.
PageKey RequestedPage(ByteReader request);
std::string DescribeConfigRequest(ByteReader request);

int HandleConfigRequest(Controller& controller, MpiExchange& exchange);

// A reset loads the current copies from NVRAM.
bool ReloadCurrentPagesFromNvram(Controller& controller);

}  // namespace emu
