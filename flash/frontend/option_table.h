// The option table and the help table: every option's name, identifier, class and argument kinds.
#pragma once

#include <cstdint>
#include <span>

// Identifier = class in the top byte, code in the low three bytes.
constexpr uint32_t CommandId(uint32_t commandClass, uint32_t code) {
    return (commandClass << 24) | code;
}
constexpr uint32_t CommandClass(uint32_t identifier) {
    return identifier >> 24;
}

namespace cmd {
inline constexpr uint32_t kAdvancedMode = CommandId(1, 0x01);     // -o
inline constexpr uint32_t kConcat = CommandId(8, 0x0C);           // -concat
inline constexpr uint32_t kLog = CommandId(1, 0x02);              // -l
inline constexpr uint32_t kFlashFirmware = CommandId(3, 0x03);    // -f
inline constexpr uint32_t kFlashDownlevel = CommandId(3, 0x04);   // -fwdown
inline constexpr uint32_t kFlashBios = CommandId(4, 0x0A);        // -b
inline constexpr uint32_t kChooseAdapter = CommandId(2, 0x05);    // -c
inline constexpr uint32_t kChooseByPci = CommandId(2, 0x06);      // -cpci
inline constexpr uint32_t kTestSsid = CommandId(6, 0x18);         // -testssid
inline constexpr uint32_t kVerbose = CommandId(1, 0x07);          // no option
inline constexpr uint32_t kSilent = CommandId(1, 0x08);           // -s
inline constexpr uint32_t kDebug = CommandId(1, 0x21);            // -debug
inline constexpr uint32_t kFirmwareAll = CommandId(7, 0x09);      // -fwall
inline constexpr uint32_t kBiosAll = CommandId(7, 0x0B);          // -biosall
inline constexpr uint32_t kVpd = CommandId(5, 0x0D);              // -vpd
inline constexpr uint32_t kShowVpd = CommandId(5, 0x0E);          // -showvpd
inline constexpr uint32_t kSasAddress = CommandId(5, 0x0F);       // -sasadd
inline constexpr uint32_t kScanChar = CommandId(5, 0x10);         // -scanchar
inline constexpr uint32_t kSasAddressHigh = CommandId(5, 0x11);   // -sasaddhi
inline constexpr uint32_t kAssembly = CommandId(5, 0x12);         // -assem
inline constexpr uint32_t kTracer = CommandId(5, 0x13);           // -tracer
inline constexpr uint32_t kErase = CommandId(4, 0x14);            // -e
inline constexpr uint32_t kHelp = CommandId(1, 0x20);             // -? and -h
inline constexpr uint32_t kList = CommandId(6, 0x16);             // -list
inline constexpr uint32_t kListAll = CommandId(6, 0x15);          // -listall
inline constexpr uint32_t kListSasAddress = CommandId(6, 0x17);   // -listsasadd
inline constexpr uint32_t kVersion = CommandId(8, 0x19);          // -ver
inline constexpr uint32_t kUploadFirmware = CommandId(5, 0x22);   // -ufirmware
inline constexpr uint32_t kUploadBios = CommandId(5, 0x23);       // -ubios
inline constexpr uint32_t kUploadNvdata = CommandId(5, 0x24);     // -unvdata
inline constexpr uint32_t kUploadBackup = CommandId(5, 0x25);     // -ufwbackup
inline constexpr uint32_t kUploadFlash = CommandId(5, 0x26);      // -uflash
inline constexpr uint32_t kReset = CommandId(3, 0x27);            // -reset
inline constexpr uint32_t kResetAll = CommandId(7, 0x28);         // -resetall
inline constexpr uint32_t kFlashBiosAlt = CommandId(4, 0x29);     // -biosalt
inline constexpr uint32_t kTestFirmware = CommandId(4, 0x30);     // -testfw
inline constexpr uint32_t kTestBios = CommandId(4, 0x31);         // -testbios
inline constexpr uint32_t kTestLinkStatus = CommandId(4, 0x32);   // -testls
inline constexpr uint32_t kTestLinkAll = CommandId(4, 0x33);      // -testlsall
inline constexpr uint32_t kTestProductId = CommandId(4, 0x34);    // -testprodid
inline constexpr uint32_t kFlashOmbra = CommandId(4, 0x35);       // -fwombra
inline constexpr uint32_t kUploadOmbra = CommandId(4, 0x36);      // -ufwombra
inline constexpr uint32_t kDetectFirmware = CommandId(6, 0x37);   // -detectfw
inline constexpr uint32_t kDetectBios = CommandId(6, 0x38);       // -detectbsd
inline constexpr uint32_t kOmbraMode = CommandId(1, 0x39);        // -ombramode
inline constexpr uint32_t kClearPersistent = CommandId(4, 0x41);  // -clear
inline constexpr uint32_t kCommandFileHelp = CommandId(0, 0x40);  // @file, help only
}  // namespace cmd

// Argument spec: low nibble = argument count n (0..3); nibble i (i = 1..n) describes argument i.
enum ArgumentKind : uint32_t { kArgNumber = 0, kArgFile = 1, kArgString = 2 };
inline constexpr uint32_t kArgKindMask = 0x3;
inline constexpr uint32_t kArgFileWrite = 0x4;        // files: "w" instead of "r"
inline constexpr uint32_t kArgBinaryOrDecimal = 0x8;  // files: "b"; numbers: decimal

struct CommandTableEntry {
    uint32_t identifier;
    uint32_t argumentSpec;
    char name[20];
};

struct HelpEntry {
    uint32_t identifier;
    const char* text;
    uint8_t lineCount;
    uint8_t advancedOnly;
};

std::span<const CommandTableEntry> CommandTable();
std::span<const HelpEntry> HelpTable();

// The identifier of the first row named exactly so, 0 if none (the terminator row counts as none).
uint32_t LookupOption(const char* name);
const CommandTableEntry* FindCommandEntry(uint32_t identifier);
// The text of the first help row with that identifier, or "".
const char* HelpText(uint32_t identifier);
