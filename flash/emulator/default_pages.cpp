#include "flash/emulator/default_pages.h"

#include <algorithm>

#include "common/bytes.h"
#include "flash/emulator/lab.h"

namespace emu {
namespace {

std::vector<uint8_t> StandardPage(uint8_t number, uint8_t version, size_t bytes) {
    std::vector<uint8_t> page(bytes);
    ByteWriter out(page.data(), page.size());
    out.U8(0, version);
    out.U8(1, static_cast<uint8_t>(bytes / 4));
    out.U8(2, number);
    out.U8(3, kManufacturingPageType);
    return page;
}

void PutText(std::vector<uint8_t>* page, size_t offset, std::string_view text) {
    ByteWriter(page->data(), page->size()).Copy(offset, text.data(), text.size());
}

}  // namespace

// Board assembly at 0x2C and tracer number at 0x3C; a factory default page leaves them blank.
std::vector<uint8_t> ManufacturingPage0(const BoardFacts& c, bool programmed) {
    std::vector<uint8_t> page = StandardPage(0, 0x00, 76);
    if (programmed) {
        PutText(&page, 0x2C, c.assembly);
        PutText(&page, 0x3C, c.tracer);
    }
    return page;
}

// Vital product data in PCI VPD form: identifier string, read-only resource with the version
// keywords and the checksum, writable resource, end tag.
std::vector<uint8_t> ManufacturingPage1(const BoardFacts& c) {
    std::vector<uint8_t> vpd;
    auto put16 = [&](size_t at, size_t value) {
        vpd[at] = static_cast<uint8_t>(value);
        vpd[at + 1] = static_cast<uint8_t>(value >> 8);
    };
    auto keyword = [&](std::string_view name, std::string_view value, size_t length) {
        vpd.insert(vpd.end(), name.begin(), name.end());
        vpd.push_back(static_cast<uint8_t>(length));
        std::vector<uint8_t> field(length);
        std::copy(value.begin(), value.begin() + std::min(value.size(), length), field.begin());
        vpd.insert(vpd.end(), field.begin(), field.end());
    };
    vpd.push_back(0x82);
    vpd.resize(3);
    vpd.insert(vpd.end(), c.name.begin(), c.name.end());
    put16(1, c.name.size());

    size_t readOnly = vpd.size();
    vpd.push_back(0x90);
    vpd.resize(vpd.size() + 2);
    keyword("PN", c.assembly, c.assembly.size());
    keyword("SN", c.tracer, c.tracer.size());
    keyword("V1", "01.00.00.00", 12);
    keyword("V3", c.fwVersionText, 12);
    keyword("RV", "", 1);
    put16(readOnly + 1, vpd.size() - readOnly - 3);
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < vpd.size(); ++i) sum = static_cast<uint8_t>(sum + vpd[i]);
    vpd.back() = static_cast<uint8_t>(-sum);

    size_t writable = vpd.size();
    vpd.push_back(0x91);
    vpd.resize(vpd.size() + 2);
    keyword("RW", "", 32);
    put16(writable + 1, vpd.size() - writable - 3);
    vpd.push_back(0x78);

    std::vector<uint8_t> page = StandardPage(1, 0x00, 260);
    ByteWriter(page.data(), page.size()).Copy(4, vpd.data(), vpd.size());
    return page;
}

// The board's subsystem vendor id at 0x0A.
std::vector<uint8_t> ManufacturingPage2(const BoardFacts& c) {
    std::vector<uint8_t> page = StandardPage(2, 0x00, 48);
    ByteWriter(page.data(), page.size()).U16(0x0A, c.subsystemVendorId);
    return page;
}

// The SAS address, low word at 4 and high word at 8; zero until the factory programs it.
std::vector<uint8_t> ManufacturingPage5(const BoardFacts& c, bool programmed) {
    std::vector<uint8_t> page = StandardPage(5, 0x02, 32);
    if (programmed) {
        ByteWriter out(page.data(), page.size());
        out.U32(4, static_cast<uint32_t>(c.sasAddress));
        out.U32(8, static_cast<uint32_t>(c.sasAddress >> 32));
    }
    return page;
}

// Extended header, NVDATA default and persistent versions at 8 and 10, the number of PHYs at
// 0x0C and one 16-byte entry per PHY from 0x10 (negotiated link rate in its fourth byte).
std::vector<uint8_t> SasIoUnitPage0(const BoardFacts& c) {
    std::vector<uint8_t> page(0x10 + 16 * kDefaultPhys);
    ByteWriter out(page.data(), page.size());
    out.U8(0, 0x04);
    out.U8(2, 0);
    out.U8(3, kExtendedPageType);
    out.U16(4, static_cast<uint16_t>(page.size() / 4));
    out.U8(6, kSasIoUnitExtType);
    out.U16(8, c.nvdataVersion);
    out.U16(10, c.nvdataVersion);
    out.U8(0x0C, kDefaultPhys);
    for (size_t i = 0; i < kDefaultPhys; ++i) {
        out.U8(0x10 + 16 * i, static_cast<uint8_t>(i));
        out.U8(0x13 + 16 * i, c.linkRates[i]);
    }
    return page;
}

}  // namespace emu
