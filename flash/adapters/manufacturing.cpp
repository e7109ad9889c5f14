#include "flash/adapters/manufacturing.h"

#include <cctype>
#include <cstring>

#include "common/bytes.h"
#include "flash/adapters/ioc_calls.h"
#include "flash/adapters/selection.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/console.h"
#include "flash/frontend/messages.h"
#include "flash/frontend/number_parsing.h"
#include "flash/pal/mpi.h"

namespace {

constexpr ConfigPageId kManufacturingPage0 = {MPI_CONFIG_PAGETYPE_MANUFACTURING, 0, 0, 0};
constexpr uint32_t kManufacturingPage0Length = 76;
constexpr ConfigPageId kManufacturingPage5 = {MPI_CONFIG_PAGETYPE_MANUFACTURING, 5, 0, 0};
constexpr uint32_t kManufacturingPage5Length = 32;
constexpr size_t kSasAddressLowOffset = 0x04;
constexpr size_t kSasAddressHighOffset = 0x08;

constexpr size_t kSasAddressLowDigits = kSasAddressDigits - kSasAddressHighDigits;
constexpr size_t kConsoleBufferSize = 255;

// Set by -scanchar for the rest of the run; 0 while none is set.
char gScanChar = 0;

// The lines of -assem and -tracer.
struct BoardTextLines {
    const char* operation;
    const char* writeFailed;
    const char* notSupported;
    const char* programmed;
    const char* failed;
    size_t pageOffset;
};

constexpr BoardTextLines kAssemblyLines = {
    "\tExecuting Operation: Program Assembly Number\n\n",
    "\tProgramming Assembly is not supported on this platform!\n",
    "\t\tProgram Assembly Command not Supported on this platform.\n\n",
    "\t\tAssembly Successfully programmed!\n\n",
    "\t\tERROR:  Assembly programming failed!\n\n",
    kBoardAssemblyOffset,
};

constexpr BoardTextLines kTracerLines = {
    "\tExecuting Operation: Program Tracer Number\n\n",
    "\tProgramming Tracer is not supported on this platform!\n",
    "\t\tProgram Tracer Command not Supported on this platform.\n\n",
    "\t\tTracer Successfully programmed!\n\n",
    "\t\tERROR:  Tracer programming failed!\n\n",
    kBoardTracerOffset,
};

// A page answered with an IOCStatus holds nothing that was read; writing it back would blank the
// page's other fields.
bool ReadNvramPage(uint32_t handle, const ConfigPageId& page, uint8_t* buffer, uint32_t size,
                   uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return IocConfigRead(handle, MPI_CONFIG_ACTION_PAGE_READ_NVRAM, page, buffer, size, iocStatus,
                         iocLogInfo) &&
           *iocStatus == 0;
}

// The number parser also takes ":" to "?" and a "0x" prefix; an address with such a character
// would be programmed with digits nobody typed, so it is refused as the parser refuses a letter.
bool IsPlainHex(const char* text) {
    for (const char* p = text; *p; ++p) {
        if (!std::isxdigit(static_cast<unsigned char>(*p))) return false;
    }
    return true;
}

bool ProgramAddressPage(const char* text, uint32_t handle, uint16_t* iocStatus,
                        uint32_t* iocLogInfo) {
    uint32_t low = 0;
    uint32_t high = 0;
    if (!IsPlainHex(text)) {
        MessageAt(kLevelReport, "\tERROR: String %s is not a valid number\n", text);
        return false;
    }
    if (!ParseHexNumber(text, &low, &high)) return false;

    uint8_t page[kManufacturingPage5Length] = {};
    if (!ReadNvramPage(handle, kManufacturingPage5, page, sizeof page, iocStatus, iocLogInfo))
        return false;
    ByteWriter w(page, sizeof page);
    w.U32(kSasAddressLowOffset, low);
    w.U32(kSasAddressHighOffset, high);
    if (!IocConfigWrite(handle, MPI_CONFIG_ACTION_PAGE_WRITE_NVRAM, kManufacturingPage5, page,
                        sizeof page, iocStatus, iocLogInfo)) {
        MessageAt(kLevelError, "\tProgramming SAS address is not suppored on this platform!\n");
        return false;
    }
    if (*iocStatus != 0) {
        MessageAt(kLevelError, "\tProgram SAS Address Command not Supported on this platform.\n\n");
        return false;
    }
    MessageAt(kLevelReport, "\tSAS Address Successfully programmed!\n\n");
    return true;
}

int ProgramBoardTextCommand(const BoardTextLines& lines, uint32_t handle, uint16_t* iocStatus,
                            uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "%s", lines.operation);
    CheckOperational();
    const char* text = CurrentCommand()->string;
    if (text[0] == '\0' ||
        !ProgramBoardText(handle, text, lines.pageOffset, iocStatus, iocLogInfo)) {
        MessageAt(kLevelError, "%s", lines.failed);
        return 0;
    }
    return 1;
}

const BoardTextLines& LinesFor(size_t pageOffset) {
    return pageOffset == kBoardTracerOffset ? kTracerLines : kAssemblyLines;
}

}  // namespace

bool ApplyScanChar(char scanChar, char* text) {
    char* found = std::strchr(text, scanChar);
    if (scanChar == '\0' || !found) {
        MessageAt(kLevelReport,
                  "\tUnable to find matching character (%c) in sas address string (%s)!\n",
                  scanChar, text);
        return false;
    }
    std::memmove(text, found + 1, std::strlen(found + 1) + 1);
    return true;
}

bool ProgramSasAddress(const char* text, uint32_t handle, uint16_t* iocStatus,
                       uint32_t* iocLogInfo) {
    if (std::strlen(text) != kSasAddressDigits) {
        MessageAt(kLevelError,
                  "\tERROR: SAS Address: %s is invalid!\n\tSAS Address must be 16 numbers "
                  "(0-F)\n\n",
                  text);
        return false;
    }
    if (!ProgramAddressPage(text, handle, iocStatus, iocLogInfo)) {
        MessageAt(kLevelError, "\tERROR:  SAS Address programming failed!\n\n");
        return false;
    }
    return true;
}

bool ProgramBoardText(uint32_t handle, const char* text, size_t pageOffset, uint16_t* iocStatus,
                      uint32_t* iocLogInfo) {
    const BoardTextLines& lines = LinesFor(pageOffset);
    // A 16-character text fills the field without a terminating zero; a shorter one keeps its
    // zero and the rest of the field is cleared.
    char field[kBoardTextSize + 1] = {};
    const size_t length = std::strlen(text);
    if (length > kBoardTextSize) {
        MessageAt(kLevelError,
                  "\t\tInput String is longer than 16 characters and will be truncated.\n");
    }
    std::memcpy(field, text, length < kBoardTextSize ? length : kBoardTextSize);

    uint8_t page[kManufacturingPage0Length] = {};
    if (!ReadNvramPage(handle, kManufacturingPage0, page, sizeof page, iocStatus, iocLogInfo))
        return false;
    ByteWriter(page, sizeof page).Copy(pageOffset, field, kBoardTextSize);
    if (!IocConfigWrite(handle, MPI_CONFIG_ACTION_PAGE_WRITE_NVRAM, kManufacturingPage0, page,
                        sizeof page, iocStatus, iocLogInfo)) {
        MessageAt(kLevelError, "%s", lines.writeFailed);
        return false;
    }
    // Accepted with an IOCStatus: the command succeeds and the dispatcher reports the status.
    MessageAt(kLevelReport, "%s", *iocStatus != 0 ? lines.notSupported : lines.programmed);
    return true;
}

int ScanCharCommand(uint32_t, uint16_t*, uint32_t*) {
    const char* text = CurrentCommand()->string;
    const size_t length = std::strlen(text);
    if (length > 1) {
        MessageAt(kLevelError,
                  "The scan character is too long (must be one character - found: %zu)\n\n",
                  length);
        return 0;
    }
    if (length == 0) {
        MessageAt(kLevelError, "Illegal scan character found!\n\n");
        return 0;
    }
    gScanChar = text[0];
    return 1;
}

int SasAddressCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    MessageAt(kLevelReport, "\tExecuting Operation: Program SAS Address\n\n");
    CheckOperational();
    char address[kCommandStringSize];
    std::strncpy(address, CurrentCommand()->string, sizeof address - 1);
    address[sizeof address - 1] = '\0';
    if (address[0] == '\0') {
        MessageAt(kLevelError, "Failed to get Sas Address from command line!\n\n");
        return 0;
    }
    // Without the character the whole text goes on, and its length check refuses it.
    if (gScanChar != 0) ApplyScanChar(gScanChar, address);
    if (!ProgramSasAddress(address, handle, iocStatus, iocLogInfo)) return 0;
    MessageAt(kLevelReport, "\t\tResetting Adapter:\n");
    if (IocHardReset(handle)) MessageAt(kLevelReport, "\t\tAdapter Successfully reset.\n\n");
    return 1;
}

int SasAddressHiCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    CheckOperational();
    const char* high = CurrentCommand()->string;
    if (high[0] == '\0') {
        MessageAt(kLevelError, "Could not retrieve partial SAS address from command line\n\n");
        return 0;
    }
    if (std::strlen(high) != kSasAddressHighDigits) {
        MessageAt(kLevelError, "Partial SAS Address should be 7 hex digits only (found: %zu)\n\n",
                  std::strlen(high));
        return 0;
    }
    // Shown in every output mode: the program waits for this answer.
    MessageAt(kLevelReport, "\tEnter the remaining 9 digits for the SAS address: ");
    char typed[kConsoleBufferSize] = {};
    bool tooLong = false;
    ReadConsoleLine(typed, sizeof typed, &tooLong);
    if (gScanChar != 0) ApplyScanChar(gScanChar, typed);
    // A line longer than the buffer was cut; what is left of it is not what was typed.
    const size_t typedLength = tooLong ? kConsoleBufferSize : std::strlen(typed);
    if (typedLength != kSasAddressLowDigits) {
        MessageAt(kLevelError, "Remaining SAS Address should be 9 hex digits only (found: %zu)\n\n",
                  typedLength);
        return 0;
    }
    char address[kSasAddressDigits + 1];
    std::memcpy(address, high, kSasAddressHighDigits);
    std::memcpy(address + kSasAddressHighDigits, typed, kSasAddressLowDigits + 1);
    return ProgramSasAddress(address, handle, iocStatus, iocLogInfo) ? 1 : 0;
}

int AssemblyCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return ProgramBoardTextCommand(kAssemblyLines, handle, iocStatus, iocLogInfo);
}

int TracerCommand(uint32_t handle, uint16_t* iocStatus, uint32_t* iocLogInfo) {
    return ProgramBoardTextCommand(kTracerLines, handle, iocStatus, iocLogInfo);
}
