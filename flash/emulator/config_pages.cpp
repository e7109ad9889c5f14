#include "flash/emulator/config_pages.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "flash/emulator/page_files.h"

namespace emu {
namespace {

constexpr size_t kRequestAction = 0;
constexpr size_t kExtPageLength = 4;
constexpr size_t kExtPageType = 6;
constexpr size_t kPageHeader = 20;  // version, length in dwords, number, type
constexpr size_t kPageAddress = 24;

// SAS IO unit page 0 reports the PHYs' negotiated link rates, which belong to the links and not
// to any stored copy; phy_link_rates of the lab stands in for the cables.
constexpr PageKey kSasIoUnitPage0 = {kExtendedPageType, 0x10, 0};
constexpr size_t kSasIoUnitNumPhys = 0x0C;
constexpr size_t kSasIoUnitPhyLinkRate = 0x13;
constexpr size_t kSasIoUnitPhyEntryBytes = 16;

const std::vector<uint8_t>& CurrentCopy(const Page& page) {
    for (PageCopy copy : {PageCopy::kCurrent, PageCopy::kNvram, PageCopy::kDefault}) {
        if (page[copy]) return *page[copy];
    }
    static const std::vector<uint8_t> kNone;
    return kNone;
}

bool HasPageType(const Controller& controller, PageKey key) {
    return std::any_of(controller.pages.begin(), controller.pages.end(), [&](const auto& entry) {
        return entry.first.type == key.type && entry.first.extType == key.extType;
    });
}

std::vector<uint8_t> WithLinkRates(const Controller& controller, std::vector<uint8_t> page) {
    const std::vector<uint8_t>& rates = controller.description.phyLinkRates;
    ByteWriter out(page.data(), page.size());
    size_t phys =
        std::min<size_t>(ByteReader(page.data(), page.size()).U8(kSasIoUnitNumPhys), rates.size());
    for (size_t i = 0; i < phys; ++i) {
        out.U8(kSasIoUnitPhyLinkRate + kSasIoUnitPhyEntryBytes * i, rates[i]);
    }
    return page;
}

void WriteReplyHeader(MpiExchange& exchange, PageKey key, const std::vector<uint8_t>& page) {
    ByteWriter reply = exchange.Reply();
    uint8_t version = page.empty() ? 0 : page[0];
    bool extended = key.type == kExtendedPageType;
    uint32_t dwords = static_cast<uint32_t>(page.size() / 4);
    reply.U16(kExtPageLength, static_cast<uint16_t>(extended ? dwords : 0));
    reply.U8(kExtPageType, extended ? key.extType : 0);
    reply.U8(kPageHeader, version);
    reply.U8(kPageHeader + 1, static_cast<uint8_t>(extended ? 0 : dwords));
    reply.U8(kPageHeader + 2, key.number);
    reply.U8(kPageHeader + 3, key.type);
}

void ReadPage(MpiExchange& exchange, const std::vector<uint8_t>& page) {
    exchange.dataIn.Copy(0, page.data(), std::min(page.size(), exchange.dataIn.size()));
}

// A write must carry the header the controller gave for the page and the whole page.
int WritePage(Controller& controller, MpiExchange& exchange, PageKey key, PageCopy copy) {
    Page& page = controller.pages[key];
    const std::vector<uint8_t>& current = CurrentCopy(page);
    ByteReader& request = exchange.request;
    bool extended = key.type == kExtendedPageType;
    uint32_t dwords = static_cast<uint32_t>(current.size() / 4);
    uint32_t requestDwords = extended ? request.U16(kExtPageLength) : request.U8(kPageHeader + 1);
    if (request.U8(kPageHeader) != current[0] || requestDwords != dwords) {
        exchange.SetStatus(kIocStatusConfigInvalidPage);
        return 0;
    }
    std::vector<uint8_t> bytes(current.size());
    if (!exchange.dataOut.Copy(0, bytes.data(), bytes.size())) {
        exchange.SetStatus(kIocStatusInvalidField);
        return 0;
    }
    page[copy] = bytes;
    return SavePageCopy(controller, key, copy, bytes) ? 0 : -EIO;
}

}  // namespace

PageKey RequestedPage(ByteReader request) {
    PageKey key;
    key.type = request.U8(kPageHeader + 3);
    key.number = request.U8(kPageHeader + 2);
    key.extType = key.type == kExtendedPageType ? request.U8(kExtPageType) : 0;
    return key;
}

std::string DescribeConfigRequest(ByteReader request) {
    PageKey key = RequestedPage(request);
    char text[64];
    if (key.type == kExtendedPageType) {
        std::snprintf(text, sizeof text, "action %u page 0x%02x/0x%02x/%u",
                      request.U8(kRequestAction), key.type, key.extType, key.number);
    } else {
        std::snprintf(text, sizeof text, "action %u page 0x%02x/%u", request.U8(kRequestAction),
                      key.type, key.number);
    }
    return text;
}

int HandleConfigRequest(Controller& controller, MpiExchange& exchange) {
    ByteReader& request = exchange.request;
    uint8_t action = request.U8(kRequestAction);
    PageKey key = RequestedPage(request);
    ByteWriter reply = exchange.Reply();
    reply.U8(kRequestAction, action);
    reply.U16(kExtPageLength, request.U16(kExtPageLength));
    reply.U8(kExtPageType, request.U8(kExtPageType));
    reply.U32(kPageHeader, request.U32(kPageHeader));

    if (!HasPageType(controller, key)) {
        exchange.SetStatus(kIocStatusConfigInvalidType);
        return 0;
    }
    auto found = controller.pages.find(key);
    // The lab holds the pages of address 0 only.
    if (found == controller.pages.end() || request.U32(kPageAddress) != 0) {
        exchange.SetStatus(kIocStatusConfigInvalidPage);
        return 0;
    }
    const Page& page = found->second;
    WriteReplyHeader(exchange, key, CurrentCopy(page));

    switch (action) {
        case kConfigActionPageHeader:
            return 0;
        case kConfigActionReadCurrent:
            ReadPage(exchange, key == kSasIoUnitPage0 ? WithLinkRates(controller, CurrentCopy(page))
                                                      : CurrentCopy(page));
            return 0;
        case kConfigActionReadDefault:
        case kConfigActionReadNvram: {
            PageCopy copy =
                action == kConfigActionReadNvram ? PageCopy::kNvram : PageCopy::kDefault;
            if (!page[copy]) break;
            ReadPage(exchange, *page[copy]);
            return 0;
        }
        case kConfigActionWriteCurrent:
            return WritePage(controller, exchange, key, PageCopy::kCurrent);
        case kConfigActionWriteNvram:
            if (!page[PageCopy::kNvram]) break;
            return WritePage(controller, exchange, key, PageCopy::kNvram);
        default:
            break;
    }
    exchange.SetStatus(kIocStatusConfigInvalidAction);
    return 0;
}

bool ReloadCurrentPagesFromNvram(Controller& controller) {
    bool saved = true;
    for (auto& [key, page] : controller.pages) {
        // Without a current copy of its own the page already reads from NVRAM.
        if (!page[PageCopy::kNvram] || !page[PageCopy::kCurrent] ||
            page[PageCopy::kCurrent] == page[PageCopy::kNvram]) {
            continue;
        }
        page[PageCopy::kCurrent] = page[PageCopy::kNvram];
        saved =
            SavePageCopy(controller, key, PageCopy::kCurrent, *page[PageCopy::kCurrent]) && saved;
    }
    return saved;
}

}  // namespace emu
