#include "flash/adapters/listings.h"

#include <cstdio>
#include <cstring>

#include "common/bytes.h"
#include "flash/adapters/adapter_list.h"
#include "flash/adapters/chip_name.h"
#include "flash/adapters/ioc_calls.h"
#include "flash/frontend/memory.h"
#include "flash/frontend/messages.h"
#include "flash/images/bios_rom_chain.h"
#include "flash/images/common_boot_block.h"
#include "flash/images/firmware_image.h"
#include "flash/pal/mpi.h"

namespace {

constexpr ConfigPageId kManufacturingPage5 = {MPI_CONFIG_PAGETYPE_MANUFACTURING, 5, 0, 0};
constexpr uint32_t kManufacturingPage5Length = 32;
constexpr size_t kSasAddressLowOffset = 4;
constexpr size_t kSasAddressHighOffset = 8;

constexpr ConfigPageId kSasIoUnitPage0 = {MPI_CONFIG_PAGETYPE_EXTENDED, 0,
                                          MPI_CONFIG_EXTPAGETYPE_SAS_IO_UNIT, 0};
constexpr size_t kNvdataDefaultVersionOffset = 8;
constexpr size_t kNvdataPersistentVersionOffset = 10;

constexpr size_t kDetectBytesPerAdapter = 37;

constexpr char kListAllRule[] =
    "-----------------------------------------------------------------------";
static_assert(sizeof kListAllRule == 72);

// One region read from the controller, released when it goes out of scope.
struct Upload {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    Upload() = default;
    Upload(const Upload&) = delete;
    Upload& operator=(const Upload&) = delete;
    ~Upload() { FreeCounted(data); }
    std::span<const uint8_t> bytes() const { return {data, length}; }
    FirmwareImage image() const { return {data, length}; }
};

// A reply with an IOCStatus carries no region. The status stays in the outputs, so the dispatcher
// can still report it when the listing succeeds.
bool UploadForListing(uint32_t handle, uint8_t imageType, Upload* upload, uint16_t* iocStatus,
                      uint32_t* iocLogInfo) {
    if (!UploadImage(handle, imageType, &upload->data, &upload->length, iocStatus, iocLogInfo))
        return false;
    return *iocStatus == 0;
}

bool ReadSasAddress(uint32_t handle, uint32_t* high, uint32_t* low, uint16_t* iocStatus,
                    uint32_t* iocLogInfo) {
    uint8_t page[kManufacturingPage5Length] = {};
    if (!IocConfigRead(handle, MPI_CONFIG_ACTION_PAGE_READ_NVRAM, kManufacturingPage5, page,
                       sizeof page, iocStatus, iocLogInfo) ||
        *iocStatus != 0)
        return false;
    ByteReader r(page, sizeof page);
    *high = r.U32(kSasAddressHighOffset);
    *low = r.U32(kSasAddressLowOffset);
    return true;
}

bool ReadNvdataVersions(uint32_t handle, uint16_t* defaults, uint16_t* persistent,
                        uint16_t* iocStatus, uint32_t* iocLogInfo) {
    uint16_t length = 0;
    if (!IocConfigPageLength(handle, kSasIoUnitPage0, &length, iocStatus, iocLogInfo) ||
        *iocStatus != 0 || length < kNvdataPersistentVersionOffset + 2)
        return false;
    auto* page = static_cast<uint8_t*>(AllocZeroed(length));
    if (!page) return false;
    const bool read = IocConfigRead(handle, MPI_CONFIG_ACTION_PAGE_READ_CURRENT, kSasIoUnitPage0,
                                    page, length, iocStatus, iocLogInfo) &&
                      *iocStatus == 0;
    if (read) {
        ByteReader r(page, length);
        *defaults = r.U16(kNvdataDefaultVersionOffset);
        *persistent = r.U16(kNvdataPersistentVersionOffset);
    }
    FreeCounted(page);
    return read;
}

// Text built piece by piece into a caller's buffer.
class TextBuilder {
  public:
    TextBuilder(char* buffer, size_t size) : buffer_(buffer), size_(size) {
        if (size_) buffer_[0] = '\0';
    }
    template <typename... Args>
    void Add(const char* format, Args... args) {
        if (used_ + 1 >= size_) return;
        MessageFormat(buffer_ + used_, size_ - used_, format, args...);
        used_ += std::strlen(buffer_ + used_);
    }
    void Add(const char* text) { Add("%s", text); }
    const char* text() const { return buffer_; }
    bool empty() const { return used_ == 0; }

  private:
    char* buffer_;
    size_t size_;
    size_t used_ = 0;
};

void AddVersionBytes(TextBuilder* line, const char* format, uint32_t version) {
    char text[64];
    FormatVersionBytes(version, format, text, sizeof text);
    line->Add(text);
}

void AddEfiVersion(TextBuilder* line, const char* format, uint32_t version) {
    char text[64];
    FormatEfiVersion(version, format, text, sizeof text);
    line->Add(text);
}

// The vendor and product ids are printed character by character; a zero byte shows nothing.
void PrintIdentity(const char* label, const uint8_t* characters, size_t count) {
    char text[kMessageBufferSize];
    TextBuilder line(text, sizeof text);
    line.Add(label);
    for (size_t i = 0; i < count; ++i) {
        if (characters[i] != 0) line.Add("%c", characters[i]);
    }
    line.Add("\n");
    MessageAt(kLevelReport, "%s", line.text());
}

void PrintCommonBootBlock(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    Upload cbb;
    if (!UploadImage(handle, MPI_IMAGE_TYPE_COMMON_BOOT_BLOCK, &cbb.data, &cbb.length, iocStatus,
                     iocLogInfo))
        return;
    if (*iocStatus != 0) {
        MessageAt(kLevelDebug, "ERROR: CBB Upload Failed!\n");
        return;
    }
    char version[64];
    if (CommonBootBlockVersion(cbb.bytes(), version, sizeof version)) {
        MessageAt(kLevelReport, "Common Boot Block Version:    \t%s\n", version);
    } else {
        MessageAt(kLevelReport, "Common Boot Block Version:    \tInvalid CBB Image\n");
    }
}

// Firmware lines of -list; false when the image could not be read.
bool PrintFirmwareInformation(const AdapterRecord& adapter, uint16_t* iocStatus,
                              uint32_t* iocLogInfo) {
    Upload firmware;
    if (!UploadForListing(adapter.handle, MPI_IMAGE_TYPE_FIRMWARE, &firmware, iocStatus,
                          iocLogInfo)) {
        MessageAt(kLevelReport, "Firmware information could not be retrieved\n");
        return false;
    }
    MessageAt(kLevelReport, "Product ID:            \t\t0x%04x\n",
              ImageProductId(firmware.image()));
    char version[64];
    FormatVersionBytes(ImageFwVersion(firmware.image()), "%02d.%02d.%02d.%02d", version,
                       sizeof version);
    MessageAt(kLevelReport, "Firmware Version:      \t\t%s\n", version);
    if (IsRaidOnChip(adapter.pciDeviceId))
        PrintCommonBootBlock(adapter.handle, iocStatus, iocLogInfo);

    uint8_t vendor[kNvdataVendorIdSize] = {};
    uint8_t product[kNvdataProductIdSize] = {};
    if (ReadNvdataIdentity(firmware.image(), vendor, product) != 0) {
        PrintIdentity("NVDATA Vendor:         \t\t", vendor, sizeof vendor);
        PrintIdentity("NVDATA Product ID:     \t\t", product, sizeof product);
    } else {
        MessageAt(kLevelReport, "NVDATA Vendor:         \t\tUndetermined\n");
        MessageAt(kLevelReport, "NVDATA Product ID:     \t\tUndetermined\n");
    }
    return true;
}

void PrintBiosLine(const char* label, const char* missing, uint32_t version, bool efi) {
    if (version == kNoBiosVersion) {
        MessageAt(kLevelReport, "%s", missing);
        return;
    }
    char text[64];
    if (efi) {
        FormatEfiVersion(version, "%02d.%02d.%02d.%02d", text, sizeof text);
    } else {
        FormatVersionBytes(version, "%02d.%02d.%02d.%02d", text, sizeof text);
    }
    MessageAt(kLevelReport, "%s%s\n", label, text);
}

// One row of -listall, built whole so that an upload's error line never splits it.
void PrintListAllRow(uint32_t number, const AdapterRecord& a, uint16_t* iocStatus,
                     uint32_t* iocLogInfo) {
    char text[kMessageBufferSize];
    TextBuilder row(text, sizeof text);
    row.Add("%u  ", number);
    row.Add(" %s ", ChipName(&a));
    {
        Upload firmware;
        if (UploadForListing(a.handle, MPI_IMAGE_TYPE_FIRMWARE, &firmware, iocStatus, iocLogInfo)) {
            AddVersionBytes(&row, " %02d.%02d.%02d.%02d ", ImageFwVersion(firmware.image()));
            const uint16_t nvdata = ReadNvdataIdentity(firmware.image(), nullptr, nullptr);
            row.Add(" %02x.%02x ", nvdata >> 8, nvdata & 0xFF);
        } else {
            row.Add("-----------  ----------");
        }
    }
    {
        Upload bios;
        if (UploadForListing(a.handle, MPI_IMAGE_TYPE_BIOS, &bios, iocStatus, iocLogInfo)) {
            const uint32_t version = BiosImageVersion(bios.bytes(), kCodeTypeX86, a.pciDeviceId);
            if (version == kNoBiosVersion) {
                row.Add("  No Image  ");
            } else {
                AddVersionBytes(&row, " %02d.%02d.%02d.%02d ", version);
            }
        } else {
            row.Add("-----------");
        }
    }
    {
        Upload bios;
        if (UploadForListing(a.handle, MPI_IMAGE_TYPE_BIOS, &bios, iocStatus, iocLogInfo)) {
            const uint32_t version = BiosImageVersion(bios.bytes(), kCodeTypeEfi, a.pciDeviceId);
            if (version == kNoBiosVersion) {
                row.Add("   No Image  ");
            } else {
                AddEfiVersion(&row, " %02d.%02d.%02d.%02d ", version);
            }
        } else {
            row.Add("-----------");
        }
    }
    row.Add(" %02x:%02x:%02x:%02x\n", a.segment, a.bus, a.device, a.function);
    MessageAt(kLevelReport, "%s", row.text());
}

// The version text of one adapter for -detectfw or -detectbsd, false when it has none.
bool DetectVersion(const AdapterRecord& a, bool bios, char* text, size_t size, uint16_t* iocStatus,
                   uint32_t* iocLogInfo) {
    Upload upload;
    if (!UploadForListing(a.handle, bios ? MPI_IMAGE_TYPE_BIOS : MPI_IMAGE_TYPE_FIRMWARE, &upload,
                          iocStatus, iocLogInfo))
        return false;
    if (!bios) {
        FormatVersionBytes(ImageFwVersion(upload.image()), "%d.%d.%d.%d", text, size);
        return true;
    }
    const uint32_t efi = BiosImageVersion(upload.bytes(), kCodeTypeEfi, a.pciDeviceId);
    if (efi == kNoBiosVersion) return false;
    FormatEfiVersion(efi, "%d.%d.%d.%d", text, size);
    return true;
}

int Detect(bool bios, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    size_t adapters = 0;
    for (const AdapterRecord* a = FirstAdapter(); a; a = a->next) ++adapters;
    const size_t size = kDetectBytesPerAdapter * adapters + 1;
    auto* buffer = static_cast<char*>(AllocZeroed(size));
    if (!buffer) {
        std::fputs("Not enough memory available.", stdout);
        std::fflush(stdout);
        return 0;
    }
    TextBuilder text(buffer, size);
    AdapterRecord* previous = CurrentAdapter();
    for (AdapterRecord* a = FirstAdapter(); a; a = a->next) {
        SelectAdapter(a);
        char version[kDetectBytesPerAdapter];
        if (!DetectVersion(*a, bios, version, sizeof version, iocStatus, iocLogInfo)) continue;
        if (!text.empty()) text.Add("\n");
        text.Add(version);
    }
    SelectAdapter(previous);
    // Scripts read this, so it bypasses the message path: never logged, never silenced.
    std::fputs(text.text(), stdout);
    std::fflush(stdout);
    FreeCounted(buffer);
    return 1;
}

}  // namespace

void FormatSasAddress(uint32_t high, uint32_t low, char* text, size_t size) {
    std::snprintf(text, size, "%07x-%01x-%04x-%04x", high >> 4, high & 0xFu, low >> 16,
                  low & 0xFFFFu);
}

void FormatVersionBytes(uint32_t version, const char* format, char* text, size_t size) {
    MessageFormat(text, size, format, static_cast<int>(version >> 24),
                  static_cast<int>((version >> 16) & 0xFF), static_cast<int>((version >> 8) & 0xFF),
                  static_cast<int>(version & 0xFF));
}

void FormatEfiVersion(uint32_t version, const char* format, char* text, size_t size) {
    MessageFormat(text, size, format, static_cast<int>((version >> 13) & 0x7),
                  static_cast<int>((version >> 8) & 0x1F), static_cast<int>((version >> 4) & 0xF),
                  static_cast<int>(version & 0xF));
}

bool CommonBootBlockVersion(std::span<const uint8_t> block, char* text, size_t size) {
    ByteReader r(block.data(), block.size());
    if (size == 0 || !r.Has(0, kCbbHeaderSize) || r.U32(kCbbMagicOffset) != kCbbMagic) return false;
    const size_t start = r.U32(kCbbVersionOffsetOffset);
    if (start >= block.size()) return false;
    size_t n = 0;
    while (n + 1 < size && start + n < block.size() && block[start + n] != 0) {
        text[n] = static_cast<char>(block[start + n]);
        ++n;
    }
    text[n] = '\0';
    return true;
}

int ListAllCommand(uint32_t, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    MessageAt(kLevelReport,
              " Num   Ctlr      FW Ver     NVDATA   x86-BIOS     EFI-BSD    PCI Addr\n");
    MessageAt(kLevelReport, "%s\n\n", kListAllRule);
    AdapterRecord* previous = CurrentAdapter();
    uint32_t number = 1;
    for (AdapterRecord* a = FirstAdapter(); a; a = a->next, ++number) {
        SelectAdapter(a);
        PrintListAllRow(number, *a, iocStatus, iocLogInfo);
    }
    MessageAt(kLevelReport, "\n");
    SelectAdapter(previous);
    *iocStatus = 0;
    *iocLogInfo = 0;
    return 1;
}

int ListCommand(uint32_t, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    const AdapterRecord* adapter = CurrentAdapter();
    if (!adapter) return 0;
    bool result = true;
    MessageAt(kLevelReport, "Controller Number:     \t\t%u\n", adapter->selectionNumber);
    MessageAt(kLevelReport, "Controller:            \t\t%s\n", ChipName(adapter));
    MessageAt(kLevelReport, "PCI Address:           \t\t%02x:%02x:%02x:%02x\n", adapter->segment,
              adapter->bus, adapter->device, adapter->function);

    uint32_t high = 0;
    uint32_t low = 0;
    if (ReadSasAddress(adapter->handle, &high, &low, iocStatus, iocLogInfo)) {
        char address[32];
        FormatSasAddress(high, low, address, sizeof address);
        MessageAt(kLevelReport, "SAS Address:           \t\t%s\n", address);
    } else {
        MessageAt(kLevelReport, "SAS Address:               \t\tUndetermined\n");
        result = false;
    }

    uint16_t defaults = 0;
    uint16_t persistent = 0;
    if (ReadNvdataVersions(adapter->handle, &defaults, &persistent, iocStatus, iocLogInfo)) {
        MessageAt(kLevelReport, "NVDATA Version (Default):   \t0x%04x\n", defaults);
        MessageAt(kLevelReport, "NVDATA Version (Persistent):\t0x%04x\n", persistent);
    } else {
        MessageAt(kLevelReport, "NVDATA Version (Default):  \tUndetermined\n");
        MessageAt(kLevelReport, "NVDATA Version (Persistant):  \tUndetermined\n");
    }

    if (!PrintFirmwareInformation(*adapter, iocStatus, iocLogInfo)) result = false;

    Upload bios;
    if (!UploadForListing(adapter->handle, MPI_IMAGE_TYPE_BIOS, &bios, iocStatus, iocLogInfo)) {
        MessageAt(kLevelReport, "BIOS information could not be retrieved\n");
        return 0;
    }
    const uint16_t device = adapter->pciDeviceId;
    PrintBiosLine("BIOS Version:          \t\t", "BIOS Version:          \t\tN/A\n",
                  BiosImageVersion(bios.bytes(), kCodeTypeX86, device), false);
    PrintBiosLine("BIOS Alternate Version:         ", "BIOS Alternate Version:         N/A\n",
                  BiosImageVersion(bios.bytes(), kRomAlternateX86, device), false);
    PrintBiosLine("EFI BSD Version:       \t\t", "EFI BSD Version:       \t\tN/A\n",
                  BiosImageVersion(bios.bytes(), kCodeTypeEfi, device), true);
    PrintBiosLine("FCODE Version:          \t\t", "FCODE Version:         \t\tN/A\n",
                  BiosImageVersion(bios.bytes(), kCodeTypeFcode, device), false);
    return result ? 1 : 0;
}

int ListSasAddressCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    uint32_t high = 0;
    uint32_t low = 0;
    if (!ReadSasAddress(handle, &high, &low, iocStatus, iocLogInfo)) {
        MessageAt(kLevelReport,
                  "\tERROR: The SAS Address for the controller could not be determined.\n\n");
        return 0;
    }
    char address[32];
    FormatSasAddress(high, low, address, sizeof address);
    MessageAt(kLevelReport, "\tThe SAS Address for the controller is: %s\n\n", address);
    return 1;
}

int DetectFirmwareCommand(uint32_t, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return Detect(false, iocStatus, iocLogInfo);
}

int DetectBiosCommand(uint32_t, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return Detect(true, iocStatus, iocLogInfo);
}
