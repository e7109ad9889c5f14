#include "flash/emulator/default_pages.h"

#include "common/bytes.h"
#include "flash/emulator/lab.h"
#include "tools/image_builder/image_builder.h"

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
// keywords and the checksum, writable resource, end tag. The version keywords are 12 bytes, the
// room a version refresh needs.
std::vector<uint8_t> ManufacturingPage1(const BoardFacts& c) {
    auto field = [](std::string_view text, size_t length) {
        std::string value(text.substr(0, length));
        value.resize(length, '\0');
        return value;
    };
    imgb::VpdSpec spec;
    spec.identifier = c.name;
    spec.readOnly = {{"PN", std::string(c.assembly)},
                     {"SN", std::string(c.tracer)},
                     {"V1", field(c.biosVersionText, 12)},
                     {"V3", field(c.fwVersionText, 12)}};
    spec.rwSize = 32;
    spec.size = 256;
    std::vector<uint8_t> vpd = imgb::BuildVpd(spec);
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
