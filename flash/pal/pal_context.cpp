#include "flash/pal/pal_context.h"

#include <new>

#include "common/bytes.h"

namespace {

std::unique_ptr<PalContext> gContext;
bool gFailNextCreate = false;

constexpr uint8_t kPalVersionMajor = 0;
constexpr uint8_t kPalVersionMinor = 9;
constexpr uint8_t kPalVersionBuild = 0;
constexpr uint32_t kPalVersionRecordMinSize = 8;

}  // namespace

PalContext* PalCurrentContext() {
    return gContext.get();
}

uint32_t PalCreate() {
    gContext.reset();
    if (gFailNextCreate) {
        gFailNextCreate = false;
        return PAL_ERR_NO_MEMORY;
    }
    gContext.reset(new (std::nothrow) PalContext);
    return gContext ? PAL_OK : PAL_ERR_NO_MEMORY;
}

void PalDestroyForTest() {
    gContext.reset();
}

void PalFailNextCreateForTest() {
    gFailNextCreate = true;
}

uint32_t PalGetVersion(uint32_t* record) {
    if (!record) return PAL_ERR_FAILED;
    if (record[0] >= kPalVersionRecordMinSize) {
        ByteWriter w(record, record[0]);
        w.U8(4, kPalVersionMajor);
        w.U8(5, kPalVersionMinor);
        w.U8(6, kPalVersionBuild);
    }
    return PAL_OK;
}

PalAdapterRef PalFindAdapter(PalContext& pal, uint32_t handle) {
    for (size_t i = 0; i < pal.adapters.size(); ++i) {
        if (pal.adapters[i].handle == handle) return {&pal.adapters[i], static_cast<uint32_t>(i)};
    }
    return {};
}

uint16_t PalAdapterMsgVersion(const PalAdapter& adapter) {
    return ByteReader(adapter.facts.data(), adapter.facts.size()).U16(kIocFactsMsgVersionOffset);
}

std::unique_ptr<uint8_t[]> PalAllocZeroed(size_t size) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]());
}
