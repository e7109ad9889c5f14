#include "flash/images/vpd_commands.h"

#include <cstring>

#include "flash/frontend/command_list.h"
#include "flash/frontend/messages.h"
#include "flash/images/vpd_text.h"

namespace {

struct VpdLabel {
    char keyword[3];
    const char* label;
};

// The first row names no keyword a VPD holds; it only lines up with the identifier line.
constexpr VpdLabel kVpdLabels[] = {
    {"  ", "Product Name:           "}, {"SN", "Serial Number:          "},
    {"MN", "Manufacturing ID:       "}, {"EC", "Engineering Date Code:  "},
    {"PN", "Board Part Number:      "}, {"CP", "Extended Capability:    "},
    {"YA", "Asset Tag:              "}, {"RW", "Remaining:              "},
    {"V0", "Miscellaneous Info:     "}, {"V1", "EFI Driver Version:     "},
    {"V2", "Manufacturing Date Code:"}, {"V3", "Board Firmware Version: "},
    {"RV", "Checksum:               "},
};

constexpr char kSeparator[] =
    "\n===============================================================================";
static_assert(sizeof kSeparator == 81);

const VpdLabel* FindLabel(const VpdKeyword& keyword) {
    for (const VpdLabel& row : kVpdLabels) {
        if (IsVpdKeyword(keyword, row.keyword)) return &row;
    }
    return nullptr;
}

// VPD bytes as text: up to the first zero byte, never past the given length.
void CopyText(const uint8_t* bytes, size_t length, char* text, size_t size) {
    size_t n = 0;
    while (n < length && n + 1 < size && bytes[n] != 0) {
        text[n] = static_cast<char>(bytes[n]);
        ++n;
    }
    text[n] = '\0';
}

// A page answered with an IOCStatus holds nothing that was read.
bool ReadVpdPage(uint32_t handle, uint8_t* page, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return IocConfigRead(handle, MPI_CONFIG_ACTION_PAGE_READ_NVRAM, kVpdPage, page, kVpdPageLength,
                         iocStatus, iocLogInfo) &&
           *iocStatus == 0;
}

bool ProgramVpd(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    const FilePosition& file = CurrentCommand()->file[0];
    uint8_t vpd[kVpdLength] = {};
    size_t length = 0;
    if (!file.content ||
        !ParseVpdText(reinterpret_cast<const char*>(file.content), file.size, vpd, &length))
        return false;

    uint8_t page[kVpdPageLength] = {};
    if (!ReadVpdPage(handle, page, iocStatus, iocLogInfo)) return false;
    MessageAt(kLevelReport, "\t\tManufacturing Page 1 Read Successfully\n");
    std::memcpy(page + kVpdPageOffset, vpd, length);
    if (!IocConfigWrite(handle, MPI_CONFIG_ACTION_PAGE_WRITE_NVRAM, kVpdPage, page, sizeof page,
                        iocStatus, iocLogInfo)) {
        MessageAt(kLevelError, "\t\tProgramming VPD is not suppored on this platform!\n");
        return false;
    }
    MessageAt(kLevelReport, "\t\tManufacturing Page 1 Written Successfully\n");
    if (*iocStatus != 0)
        MessageAt(kLevelReport, "\t\tProgram VPD Command not Supported on this platform.\n\n");
    return true;
}

}  // namespace

void DisplayKeywords(const uint8_t* vpd, size_t length, const VpdResource& resource) {
    VpdKeywordWalk keywords(vpd, length, resource);
    VpdKeyword keyword;
    while (keywords.Next(&keyword)) {
        const VpdLabel* row = FindLabel(keyword);
        if (!row) return;
        if (IsVpdKeyword(keyword, "RW") || IsVpdKeyword(keyword, "RV")) {
            const unsigned shown = IsVpdKeyword(keyword, "RW")
                                       ? keyword.valueLength
                                       : (keyword.valueLength ? vpd[keyword.valueOffset] : 0u);
            MessageAt(kLevelReport, "\n (%c%c)  %s  0x%02x ", keyword.name[0], keyword.name[1],
                      row->label, shown);
        } else {
            char text[256];
            CopyText(vpd + keyword.valueOffset, keyword.valueLength, text, sizeof text);
            MessageAt(kLevelReport, "\n (%c%c)  %s  %s  ", keyword.name[0], keyword.name[1],
                      row->label, text);
        }
    }
}

bool DisplayVpd(const uint8_t* page) {
    const uint8_t* vpd = page + kVpdPageOffset;
    if (vpd[0] != kVpdIdStringTag) {
        MessageAt(kLevelReport, "\n VPD information is not programmed on this controller \n");
        return true;
    }
    char identifier[kVpdLength];
    CopyText(vpd + kVpdResourceHeaderSize, VpdIdentifierLength(vpd, kVpdLength), identifier,
             sizeof identifier);
    MessageAt(kLevelReport, "%s", kSeparator);
    MessageAt(kLevelReport, "\nVITAL PRODUCT DATA ");
    MessageAt(kLevelReport, "\n================== ");
    MessageAt(kLevelReport, "\n (  )  Product Name:             %s ", identifier);

    VpdResourceWalk resources(vpd, kVpdLength);
    VpdResource resource;
    while (resources.Next(&resource)) DisplayKeywords(vpd, kVpdLength, resource);

    MessageAt(kLevelReport, "%s", kSeparator);
    MessageAt(kLevelReport, "\n");
    if (resources.end() == VpdWalkEnd::kEndTag) return true;
    MessageAt(kLevelReport, "\n VPD information incomplete \n");
    return false;
}

int VpdCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\tExecuting Operation: Parse VPD\n\n");
    if (ProgramVpd(handle, iocStatus, iocLogInfo)) return 1;
    MessageAt(kLevelError, "\t\tERROR:  VPD programming failed!\n\n");
    return 0;
}

int ShowVpdCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    uint8_t page[kVpdPageLength] = {};
    if (!ReadVpdPage(handle, page, iocStatus, iocLogInfo)) return 0;
    return DisplayVpd(page) ? 1 : 0;
}
