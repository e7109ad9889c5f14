#include "flash/frontend/option_table.h"

#include <cstring>

namespace {

// Row order matters: the first row with a matching name wins, and the last row is the terminator
// whose identifier 0 makes an argument spelled "INVALID" an invalid command.
constexpr CommandTableEntry kCommandTable[] = {
    {CommandId(1, 0x01), 0x0000, "-o"},         {CommandId(8, 0x0C), 0xD993, "-concat"},
    {CommandId(1, 0x02), 0x0021, "-l"},         {CommandId(3, 0x03), 0x0091, "-f"},
    {CommandId(3, 0x04), 0x0091, "-fwdown"},    {CommandId(4, 0x0A), 0x0091, "-b"},
    {CommandId(2, 0x05), 0x0001, "-c"},         {CommandId(2, 0x06), 0x0021, "-cpci"},
    {CommandId(6, 0x18), 0x0021, "-testssid"},  {CommandId(1, 0x08), 0x0000, "-s"},
    {CommandId(1, 0x21), 0x0000, "-debug"},     {CommandId(7, 0x09), 0x0091, "-fwall"},
    {CommandId(7, 0x0B), 0x0091, "-biosall"},   {CommandId(5, 0x0D), 0x0011, "-vpd"},
    {CommandId(5, 0x0E), 0x0000, "-showvpd"},   {CommandId(5, 0x0F), 0x0021, "-sasadd"},
    {CommandId(5, 0x10), 0x0021, "-scanchar"},  {CommandId(5, 0x11), 0x0021, "-sasaddhi"},
    {CommandId(5, 0x12), 0x0021, "-assem"},     {CommandId(5, 0x13), 0x0021, "-tracer"},
    {CommandId(4, 0x14), 0x0081, "-e"},         {CommandId(1, 0x20), 0x0000, "-?"},
    {CommandId(1, 0x20), 0x0000, "-h"},         {CommandId(6, 0x16), 0x0000, "-list"},
    {CommandId(6, 0x15), 0x0000, "-listall"},   {CommandId(6, 0x17), 0x0000, "-listsasadd"},
    {CommandId(8, 0x19), 0x0000, "-ver"},       {CommandId(5, 0x22), 0x00D1, "-ufirmware"},
    {CommandId(5, 0x23), 0x00D1, "-ubios"},     {CommandId(5, 0x24), 0x00D1, "-unvdata"},
    {CommandId(5, 0x25), 0x00D1, "-ufwbackup"}, {CommandId(5, 0x26), 0x00D1, "-uflash"},
    {CommandId(3, 0x27), 0x0000, "-reset"},     {CommandId(7, 0x28), 0x0000, "-resetall"},
    {CommandId(4, 0x29), 0x0091, "-biosalt"},   {CommandId(4, 0x30), 0x0021, "-testfw"},
    {CommandId(4, 0x31), 0x0021, "-testbios"},  {CommandId(4, 0x32), 0x0002, "-testls"},
    {CommandId(4, 0x33), 0x0000, "-testlsall"}, {CommandId(4, 0x34), 0x0001, "-testprodid"},
    {CommandId(4, 0x35), 0x0091, "-fwombra"},   {CommandId(4, 0x36), 0x00D1, "-ufwombra"},
    {CommandId(6, 0x37), 0x0000, "-detectfw"},  {CommandId(6, 0x38), 0x0000, "-detectbsd"},
    {CommandId(1, 0x39), 0x0000, "-ombramode"}, {CommandId(4, 0x41), 0x0001, "-clear"},
    {CommandId(0, 0x00), 0x0000, "INVALID"},
};

// Line counts are the pager's, not counted from the texts.
constexpr HelpEntry kHelpTable[] = {
    {CommandId(2, 0x05),
     "-c x:\t\tChoose adapter by index.\n\t\tx = index of the adapter to choose.\n\n", 3, 0},
    {CommandId(2, 0x06),
     "-cpci x:\tChoose adapter by PCI Address.\n\t\tx = string indicating PCI Address.\n\t\tMust "
     "be in format bus:dev:func:segment (segment optional).\n\n",
     4, 0},
    {CommandId(6, 0x18),
     "-testssid x:\tVerify adapter by SSVID and SSDID.\n\t\tx = string indicating SSVID and "
     "SSDID.\n\t\tMust be in format SSVID:SSDID.\n\n",
     4, 0},
    {CommandId(1, 0x07), "-verbose:\tSet output to verbose mode\n\n", 2, 0},
    {CommandId(1, 0x08), "-s:\t\tSet output to silent mode.\n\n", 2, 0},
    {CommandId(1, 0x02), "-l x:\t\tLog all output to file.\n\t\tx = the name of the log file.\n\n",
     3, 0},
    {CommandId(3, 0x03), "-f x:\t\tFlash firmware image.\n\t\tx = the firmware file to flash.\n\n",
     3, 0},
    {CommandId(7, 0x09),
     "-fwall x:\tFlash firmware image to all adapters.\n\t\tx = the firmware file to flash.\n\n", 3,
     0},
    {CommandId(3, 0x04),
     "-fwdown x:\tFlash down-level firmware image.\n\t\tx = the firmware file to flash.\n\n", 3, 0},
    {CommandId(4, 0x0A), "-b x:\t\tFlash BIOS image.\n\t\tx = the BIOS image to flash.\n\n", 3, 0},
    {CommandId(7, 0x0B),
     "-biosall x:\tFlash BIOS image to all adapters.\n\t\tx = the bios image to flash.\n\n", 3, 0},
    {CommandId(6, 0x15), "-listall:\tList information on all Kelmar SAS Controllers found.\n\n", 2,
     0},
    {CommandId(6, 0x16),
     "-list:\t\tList detailed information about the selected Kelmar SAS controller.\n\n", 2, 0},
    {CommandId(6, 0x17), "-listsasadd:\tList the SAS address for the selected SAS controller.\n\n",
     2, 0},
    {CommandId(5, 0x22), "-ufirmware x:\t Upload the current firmware to file x.\n\n", 2, 0},
    {CommandId(5, 0x23), "-ubios x:\t Upload the bios area to file x.\n\n", 2, 0},
    {CommandId(8, 0x19), "-ver: \tDisplay the version information for Tessel.\n\n", 2, 0},
    {CommandId(1, 0x39), "-ombramode:\t\tEnables Ombra Mode to flash MPT FW using Host Boot\n\n", 2,
     1},
    {CommandId(0, 0x40),
     "@x:\tEnables the Execution of commands from a file.\n\tx=file contains commands to be "
     "executed.\n\n",
     2, 0},
    {CommandId(8, 0x0C),
     "-concat x y z:\tConcatenate NVDATA to a firmware image.\n\t\tx = firmware image to "
     "concatenate NVDATA to.\n\t\ty = NVDATA file to parse for concatenation.\n\t\tz = output file "
     "for the concatenated image.\n\n",
     5, 1},
    {CommandId(4, 0x14),
     "-e x:\t\tErase selected controller's flash.\n\t\tx = Segment(s) of flash to erase.\n\t\t 1 . "
     ". . Erase NVSRAM.\n\t\t 2 . . . Erase Backup Firmware.\n\t\t 3 . . . Erase Persistent "
     "Page.\n\t\t 4 . . . Manufacturing Pages.\n\t\t 5 . . . Boot Services.\n\t\t 6 . . . Clean "
     "Flash (erase all except manufacturing area).\n\t\t 7 . . . Erase Complete Flash.\n\n",
     10, 1},
    {CommandId(5, 0x0D),
     "-vpd x:\t\tProgram the selected controller with VPD.\n\t\tx = VPD file to parse.\n\n", 3, 1},
    {CommandId(5, 0x0E),
     "-showvpd:\tDisplays contents of the Vital Product Data for the\n\t\tselected SAS "
     "controller.\n\n",
     3, 1},
    {CommandId(5, 0x0F),
     "-sasadd x:\tProgram the selected controller with a SAS Address.\n\t\tx = SAS Address to "
     "program.\n\n",
     3, 1},
    {CommandId(5, 0x10),
     "-scanchar x:\tDefine the character that denotes the start of a valid sas address.\n\t\tx = "
     "the final character preceeding the sas address.\n",
     3, 1},
    {CommandId(5, 0x11),
     "-sasaddhi x:\tProgram the selected controller with a partial SAS Address.\n\t\tx = First 7 "
     "bytes of the SAS Address to program.\n\tUser will be prompted for remaining bytes of the SAS "
     "address\n\n",
     4, 1},
    {CommandId(5, 0x12),
     "-assem x:\tProgram the selected controller with an assembly value.\n\t\tx = Assembly "
     "value.\n\n",
     3, 1},
    {CommandId(5, 0x13),
     "-tracer x:\tProgram the selected controller with a board tracer.\n\t\tx = Tracer value.\n\n",
     5, 1},
    {CommandId(5, 0x24), "-unvdata x:\t Upload the current nvdata to file x.\n\n", 2, 1},
    {CommandId(5, 0x25), "-ufwbackup x:\t Upload the backup fw area to file x.\n\n", 2, 1},
    {CommandId(5, 0x26), "-uflash x:\t Upload the entire flash contents to file x.\n\n", 2, 1},
    {CommandId(3, 0x27), "-reset \t\t Reset selected adapter.\n\n", 2, 1},
    {CommandId(7, 0x28), "-resetall \t Reset all adapters.\n\n", 2, 1},
    {CommandId(4, 0x29),
     "-biosalt x:\tFlash BIOS Alternate image.\n\t\tx = the BIOS image to flash.\n\n", 3, 1},
    {CommandId(4, 0x30),
     "-testfw x:\tTest firmware version.\n\t\tx = Firmware version to test in xx.xx.xx.xx "
     "format.\n\n",
     3, 1},
    {CommandId(4, 0x31),
     "-testbios x:\tTest bios version.\n\t\tx = BIOS version to test in xx.xx.xx.xx format.\n\n", 3,
     1},
    {CommandId(4, 0x32),
     "-testls x y:\tTest link status of a specific PHY.\n\t\tx = PHY number to test.\n\t\ty = Link "
     "status value. Valid values are:\n\t\t\t 0  -  Link Down\n\t\t\t 1  -  1.5 Gbps\n\t\t\t 2  -  "
     "3.0 Gbps\n\n",
     36, 1},
    {CommandId(4, 0x33), "-testlsall \t\tList link state on all PHY's on selected controller.\n\n",
     2, 1},
    {CommandId(4, 0x34),
     "-testprodid x:\t\tTest selected controller's product id against input.\n\t\tx = Product Id "
     "to test in 0x0000 format.\n\n",
     3, 1},
    {CommandId(4, 0x35),
     "-fwombra x:\t\tFlash Ombra firmware image.\n\t\tx = the firmware file to flash.\n\n", 3, 1},
    {CommandId(4, 0x36), "-ufwombra x:\t Upload the Ombra firmware to file x.\n\n", 2, 1},
    {CommandId(6, 0x37),
     "-detectfw:\t Display Firmware Version of All the cards present in the system.\n\n", 2, 1},
    {CommandId(6, 0x38),
     "-detectbsd:\t Display Bios Version of All the cards present in the system.\n\n", 2, 1},
    {CommandId(4, 0x41),
     "-clear x:\t Clear persistent table\n\t\t x = clear options.\n\t\t 1 . . . to clear all "
     "persistent device id.\n\t\t 2 . . . to clear device not present.\n\n",
     5, 1},
};

}  // namespace

std::span<const CommandTableEntry> CommandTable() {
    return kCommandTable;
}
std::span<const HelpEntry> HelpTable() {
    return kHelpTable;
}

uint32_t LookupOption(const char* name) {
    for (const CommandTableEntry& entry : kCommandTable) {
        if (std::strcmp(entry.name, name) == 0) return entry.identifier;
    }
    return 0;
}

const CommandTableEntry* FindCommandEntry(uint32_t identifier) {
    for (const CommandTableEntry& entry : kCommandTable) {
        if (entry.identifier == identifier) return &entry;
    }
    return nullptr;
}

const char* HelpText(uint32_t identifier) {
    for (const HelpEntry& entry : kHelpTable) {
        if (entry.identifier == identifier) return entry.text;
    }
    return "";
}
