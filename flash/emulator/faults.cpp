#include "flash/emulator/faults.h"

#include "flash/emulator/config_pages.h"

namespace emu {

int InjectedIoctlError(const Faults& faults, IoctlKind kind) {
    for (const IoctlFailure& failure : faults.failingIoctls) {
        if (failure.kind == kind) return failure.error;
    }
    return 0;
}

const ReplyStatusFault* InjectedReplyStatus(const Faults& faults, ByteReader request) {
    uint8_t function = request.U8(3);
    PageKey page = RequestedPage(request);
    for (const ReplyStatusFault& fault : faults.replyStatuses) {
        if (fault.function != function) continue;
        if (fault.pageType && *fault.pageType != page.type) continue;
        if (fault.pageNumber && *fault.pageNumber != page.number) continue;
        if (fault.extPageType && *fault.extPageType != page.extType) continue;
        return &fault;
    }
    return nullptr;
}

}  // namespace emu
