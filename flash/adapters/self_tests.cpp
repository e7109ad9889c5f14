#include "flash/adapters/self_tests.h"

#include "common/bytes.h"
#include "flash/adapters/adapter_list.h"
#include "flash/adapters/ioc_calls.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/memory.h"
#include "flash/frontend/messages.h"
#include "flash/images/bios_rom_chain.h"
#include "flash/images/firmware_image.h"
#include "flash/pal/mpi.h"

namespace {

constexpr ConfigPageId kSasIoUnitPage0 = {MPI_CONFIG_PAGETYPE_EXTENDED, 0,
                                          MPI_CONFIG_EXTPAGETYPE_SAS_IO_UNIT, 0};
constexpr size_t kNumPhysOffset = 0x0C;
constexpr size_t kPhyEntriesOffset = 0x10;
constexpr size_t kPhyEntrySize = 16;
constexpr size_t kNegotiatedLinkRateInEntry = 3;

// Link rate codes of -testls and the negotiated rates each accepts.
enum LinkCode : uint32_t { kLinkDown = 0, kLink1_5Gbps = 1, kLink3_0Gbps = 2 };

// Answers the version the controller's region holds; false when the region could not be read
// (the test then passes, so a controller that cannot answer never blocks a script).
using VersionReader = bool (*)(uint32_t handle, uint32_t* version, uint16_t* iocStatus,
                               uint32_t* iocLogInfo);

struct VersionTest {
    const char* operation;
    const char* missingLine;
    const char* formatLine;
    const char* successLine;
    const char* failedLine;
    VersionReader read;
};

// A reply with an IOCStatus carries no region: that counts as an upload that failed. The status
// stays in the outputs for the dispatcher's exception line.
bool ReadRunningFirmware(uint32_t handle, uint32_t* version, uint16_t* iocStatus,
                         uint32_t* iocLogInfo) {
    UploadedImage firmware;
    if (!firmware.Upload(handle, MPI_FW_UPLOAD_ITYPE_FW_FLASH, iocStatus, iocLogInfo) ||
        *iocStatus != 0)
        return false;
    *version = ImageFwVersion(firmware.image());
    return true;
}

bool ReadBiosVersion(uint32_t handle, uint32_t* version, uint16_t* iocStatus,
                     uint32_t* iocLogInfo) {
    UploadedImage bios;
    if (!bios.Upload(handle, MPI_FW_UPLOAD_ITYPE_BIOS_FLASH, iocStatus, iocLogInfo) ||
        *iocStatus != 0)
        return false;
    const AdapterRecord* adapter = CurrentAdapter();
    const FirmwareImage region = bios.image();
    *version = BiosImageVersion({region.data, region.length}, kRomFirstImage,
                                adapter ? adapter->pciDeviceId : 0);
    return true;
}

constexpr VersionTest kFirmwareVersionTest = {
    "\tExecuting Operation: Test Firmware Version\n\n",
    "\tERROR: Failed to get Firmware Version from command line!\n\n",
    "\tERROR: Format of Firmware Version specified is not correct!\n\n",
    "\tFirmware Version check SUCCESSFUL!\n\n",
    "\tFirmware Version check FAILED!\n\n",
    ReadRunningFirmware,
};

constexpr VersionTest kBiosVersionTest = {
    "\tExecuting Operation: Test BIOS Version\n\n",
    "\tERROR: Failed to get BIOS Version from command line!\n\n",
    "\tERROR: Format of BIOS Version specified is not correct!\n\n",
    "\tBIOS Version check SUCCESSFUL!\n\n",
    "\tBIOS Version check FAILED!\n\n",
    ReadBiosVersion,
};

int RunVersionTest(const VersionTest& test, uint32_t handle, uint16_t* iocStatus,
                   uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "%s", test.operation);
    const char* text = CurrentCommand()->string;
    if (text[0] == '\0') MessageAt(kLevelError, "%s", test.missingLine);
    const uint32_t wanted = ParseVersionText(text);
    if (wanted == kInvalidVersionText) {
        MessageAt(kLevelError, "%s", test.formatLine);
        MessageAt(kLevelReport, "%s", test.failedLine);
        return 0;
    }
    uint32_t version = 0;
    if (!test.read(handle, &version, iocStatus, iocLogInfo) || version == wanted) {
        MessageAt(kLevelReport, "%s", test.successLine);
        return 1;
    }
    MessageAt(kLevelReport, "%s", test.failedLine);
    return 0;
}

// The digit values of a version part: 0-9, and a-f or A-F as 10 to 15.
int VersionDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool LinkMatches(uint32_t code, uint8_t rate, bool* validCode) {
    *validCode = true;
    switch (code) {
        case kLinkDown:
            return rate == 0 || rate == 1;
        case kLink1_5Gbps:
            return rate == 8;
        case kLink3_0Gbps:
            return rate == 9;
        default:
            *validCode = false;
            return false;
    }
}

}  // namespace

uint32_t ParseVersionText(const char* text) {
    uint32_t result = 0;
    unsigned parts = 0;
    const char* p = text;
    while (true) {
        // Only the low 8 bits of a part are kept, and they do not depend on the higher ones.
        uint8_t part = 0;
        const char* start = p;
        int digit;
        while ((digit = VersionDigit(*p)) >= 0) {
            part = static_cast<uint8_t>(part * 10 + digit);
            ++p;
        }
        if (p == start || parts == 4) return kInvalidVersionText;
        result = (result << 8) | part;
        ++parts;
        if (*p == '\0') break;
        if (*p != '.') return kInvalidVersionText;
        ++p;
    }
    return parts == 4 ? result : kInvalidVersionText;
}

const char* LinkRateName(uint8_t rate) {
    switch (rate) {
        case 0:
        case 1:
        case 2:
            return "Link Down";
        case 8:
            return "1.5 Gbps";
        case 9:
            return "3.0 Gbps";
        default:
            return "Unknown!";
    }
}

SasIoUnitPage0::~SasIoUnitPage0() {
    FreeCounted(data_);
}

void SasIoUnitPage0::Adopt(uint8_t* data, size_t length) {
    FreeCounted(data_);
    data_ = data;
    length_ = data ? length : 0;
}

unsigned SasIoUnitPage0::PhyCount() const {
    ByteReader r(data_, length_);
    const unsigned count = r.U8(kNumPhysOffset);
    const size_t room =
        length_ > kPhyEntriesOffset ? (length_ - kPhyEntriesOffset) / kPhyEntrySize : 0;
    return count < room ? count : static_cast<unsigned>(room);
}

uint8_t SasIoUnitPage0::NegotiatedLinkRate(unsigned phy) const {
    return ByteReader(data_, length_)
        .U8(kPhyEntriesOffset + kPhyEntrySize * phy + kNegotiatedLinkRateInEntry);
}

bool ReadSasIoUnitPage0(uint32_t handle, SasIoUnitPage0* page, uint16_t* iocStatus,
                        uint32_t* iocLogInfo) {
    uint16_t length = 0;
    if (!IocConfigPageLength(handle, kSasIoUnitPage0, &length, iocStatus, iocLogInfo) ||
        *iocStatus != 0 || length == 0)
        return false;
    auto* data = static_cast<uint8_t*>(AllocZeroed(length));
    if (!data) return false;
    if (!IocConfigRead(handle, MPI_CONFIG_ACTION_PAGE_READ_CURRENT, kSasIoUnitPage0, data, length,
                       iocStatus, iocLogInfo) ||
        *iocStatus != 0) {
        FreeCounted(data);
        return false;
    }
    page->Adopt(data, length);
    return true;
}

int TestFirmwareVersionCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return RunVersionTest(kFirmwareVersionTest, handle, iocStatus, iocLogInfo);
}

int TestBiosVersionCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return RunVersionTest(kBiosVersionTest, handle, iocStatus, iocLogInfo);
}

int TestProductIdCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\tExecuting Operation: Test Product ID\n\n");
    const uint32_t wanted = CurrentCommand()->number[0].value;
    UploadedImage firmware;
    const bool uploaded =
        firmware.Upload(handle, MPI_FW_UPLOAD_ITYPE_FW_FLASH, iocStatus, iocLogInfo) &&
        *iocStatus == 0;
    const uint32_t productId = uploaded ? ImageProductId(firmware.image()) : 0;
    if (uploaded && productId == wanted) {
        MessageAt(kLevelReport, "\tTest Product ID PASSED!\n\n");
        return 1;
    }
    MessageAt(kLevelReport, "\tTest Product ID FAILED! (Prod Id = 0x%x)\n\n", productId);
    return 0;
}

int TestLinkStateAllCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\tExecuting Operation: Test Link State ALL\n\n");
    SasIoUnitPage0 page;
    if (!ReadSasIoUnitPage0(handle, &page, iocStatus, iocLogInfo)) {
        MessageAt(kLevelDebug, "\tError reading SAS IO Unit Page 0\n");
        MessageAt(kLevelReport, "\tTest Link State All FAILED!\n\n");
        return 0;
    }
    for (unsigned phy = 0; phy < page.PhyCount(); ++phy)
        MessageAt(kLevelReport, "\tPhy %u: %s\n", phy, LinkRateName(page.NegotiatedLinkRate(phy)));
    MessageAt(kLevelReport, "\n");
    MessageAt(kLevelReport, "\tTest Link State All PASSED!\n\n");
    return 1;
}

int TestLinkStateCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\tExecuting Operation: Test Link State\n\n");
    const CommandRecord& command = *CurrentCommand();
    const uint32_t phy = command.number[0].value;
    const uint32_t code = command.number[1].value;
    SasIoUnitPage0 page;
    bool passed = false;
    if (!ReadSasIoUnitPage0(handle, &page, iocStatus, iocLogInfo)) {
        MessageAt(kLevelDebug, "\tError reading SAS IO Unit Page 0\n");
    } else if (phy >= page.PhyCount()) {
        MessageAt(kLevelError, "\tERROR: PHY specified is not valid!\n\n");
    } else {
        bool validCode = false;
        passed = LinkMatches(code, page.NegotiatedLinkRate(phy), &validCode);
        if (!validCode)
            MessageAt(kLevelError, "\tERROR: Link Rate code specified is not valid!\n\n");
    }
    if (!passed) {
        MessageAt(kLevelReport, "\tTest Link State FAILED!\n\n");
        return 0;
    }
    MessageAt(kLevelReport, "\tTest Link State PASSED!\n\n");
    return 1;
}
