// The configuration pages of the default lab's boards, each built from a few facts about the
// board: manufacturing pages 0, 1 (VPD), 2 and 5, and SAS IO unit page 0.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace emu {

constexpr uint8_t kManufacturingPageType = 0x09;
constexpr uint8_t kSasIoUnitExtType = 0x10;
constexpr size_t kDefaultPhys = 8;

struct BoardFacts {
    std::string_view name;  // the VPD identifier string
    std::string_view assembly;
    std::string_view tracer;
    std::string_view fwVersionText;    // as the VPD shows the firmware version (V3)
    std::string_view biosVersionText;  // as the VPD shows the EFI driver version (V1)
    uint16_t subsystemVendorId;
    uint64_t sasAddress;
    uint16_t nvdataVersion;
    std::array<uint8_t, kDefaultPhys> linkRates;
};

// `programmed` false gives the factory default: no assembly, tracer or SAS address.
std::vector<uint8_t> ManufacturingPage0(const BoardFacts& board, bool programmed);
std::vector<uint8_t> ManufacturingPage1(const BoardFacts& board);
std::vector<uint8_t> ManufacturingPage2(const BoardFacts& board);
std::vector<uint8_t> ManufacturingPage5(const BoardFacts& board, bool programmed);
std::vector<uint8_t> SasIoUnitPage0(const BoardFacts& board);

}  // namespace emu
