// Pass/fail tests for scripts: the running firmware's version and product id, the BIOS version in
// flash, and the link state of the PHYs. A failed test fails its command, so the run stops and the
// program exits with status 1.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t kInvalidVersionText = 0xFFFFFFFF;

// "a.b.c.d", four decimal parts (a-f and A-F count as digits 10 to 15), each cut to its low 8
// bits: a << 24 | b << 16 | c << 8 | d. kInvalidVersionText for an empty part, a part count other
// than four, or any other character. "255.255.255.255" reads the same as invalid, which keeps a
// BIOS test from passing against an image that has no version (kNoBiosVersion).
uint32_t ParseVersionText(const char* text);

// "Link Down", "1.5 Gbps", "3.0 Gbps" or "Unknown!" for a PHY's negotiated link rate.
const char* LinkRateName(uint8_t rate);

// SAS IO unit page 0 as read from the controller (current copy), released with the object.
class SasIoUnitPage0 {
  public:
    SasIoUnitPage0() = default;
    ~SasIoUnitPage0();
    SasIoUnitPage0(const SasIoUnitPage0&) = delete;
    SasIoUnitPage0& operator=(const SasIoUnitPage0&) = delete;

    // Takes ownership of a block from AllocZeroed.
    void Adopt(uint8_t* data, size_t length);
    // The PHY count the page gives, cut to the entries that lie inside the page.
    unsigned PhyCount() const;
    uint8_t NegotiatedLinkRate(unsigned phy) const;

  private:
    uint8_t* data_ = nullptr;
    size_t length_ = 0;
};

// Asks the page's length, then reads exactly that many bytes of the current page.
bool ReadSasIoUnitPage0(uint32_t handle, SasIoUnitPage0* page, uint16_t* iocStatus,
                        uint32_t* iocLogInfo);

int TestFirmwareVersionCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int TestBiosVersionCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int TestProductIdCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int TestLinkStateCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
int TestLinkStateAllCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo);
