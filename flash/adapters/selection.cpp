#include "flash/adapters/selection.h"

#include <cstdio>
#include <cstring>

#include "flash/adapters/adapter_list.h"
#include "flash/adapters/chip_name.h"
#include "flash/adapters/ioc_calls.h"
#include "flash/adapters/ioc_state.h"
#include "flash/adapters/platform_hooks.h"
#include "flash/frontend/command_list.h"
#include "flash/frontend/console.h"
#include "flash/frontend/memory.h"
#include "flash/frontend/messages.h"
#include "flash/frontend/number_parsing.h"
#include "flash/frontend/option_table.h"
#include "flash/frontend/parser.h"

namespace {

constexpr int kBus = 0, kDevice = 1, kFunction = 2, kSegment = 3;

// Asks for a firmware file for a controller without running firmware and queues its flash.
bool PromptForFirmware() {
    MessageAt(kLevelNormal,
              "\tController is not operational. A firmware download is required.\n"
              "Enter firmware file name or quit to exit: ");
    char answer[kConsoleLineSize];
    bool tooLong = false;
    int end = ReadConsoleLine(answer, sizeof answer, &tooLong);
    if (tooLong) {
        MessageAt(kLevelError, "\tERROR: File name longer than %zu characters.\n",
                  kConsoleLineSize - 1);
        return false;
    }
    if (end == EOF && answer[0] == '\0') return false;  // nobody to answer
    if (std::strcmp(answer, "quit") == 0) return false;

    auto* flash = static_cast<CommandRecord*>(AllocTracked(sizeof(CommandRecord)));
    if (!flash) return false;
    flash->identifier = cmd::kFlashFirmware;
    if (!OpenFileArgument(flash, 0, answer, "rb")) return false;
    QueueFlashCommand(flash);
    return true;
}

void SelectNumbered(AdapterRecord* adapter, uint32_t number) {
    adapter->selectionNumber = number;
    SelectAdapter(adapter);
    MessageAt(kLevelReport, "\tAdapter Selected is a Kelmar SAS %s:\n\n", ChipName(adapter));
}

}  // namespace

bool CheckOperational() {
    const uint32_t handle = CurrentAdapterHandle();
    const uint32_t state = IocState(handle);
    bool passed = false;
    if ((state & MPI_IOC_STATE_MASK) != MPI_IOC_STATE_RESET) {
        IocFactsSummary facts{};
        uint16_t iocStatus = 0;
        uint32_t iocLogInfo = 0;
        if (IocFacts(handle, &facts, &iocStatus, &iocLogInfo)) {
            if ((state & MPI_IOC_STATE_MASK) == MPI_IOC_STATE_READY) {
                passed = IocMarkOperational(handle);
            } else if ((state & MPI_IOC_STATE_MASK) == MPI_IOC_STATE_OPERATIONAL) {
                if (((state >> 24) & 0x7) != 5) IocMarkOperational(handle);
                passed = true;
            }
        }
    }
    if (!passed) {
        if (FlashCommandQueued()) {
            passed = true;
        } else if (GetOutputMode() == kModeSilent) {
            MessageAt(kLevelError,
                      "\tERROR: Selected Adapter does not have valid firmware!\n"
                      "\tPlease run utility again and flash firmware.\n");
            return false;
        } else {
            passed = PromptForFirmware();
        }
    }
    // The platform has the last word only on a check that passed: a refused prompt stays a
    // failure even though the adapter is still recorded as operational.
    if (passed && (IocState(handle) & MPI_IOC_STATE_MASK) == MPI_IOC_STATE_OPERATIONAL)
        return IocPlatformCheck(handle) != 0;
    return passed;
}

int ChooseAdapterCommand(uint32_t, uint16_t*, uint32_t*) {
    const uint32_t number = CurrentCommand()->number[0].value;
    AdapterRecord* adapter = AdapterByNumber(number);
    if (!adapter) return 0;
    SelectNumbered(adapter, number);
    MessageAt(kLevelDebug, "\tChip status %08X:\n\n", IocState(adapter->handle));
    return CheckOperational() ? 1 : 0;
}

PciAddressParse ParsePciAddress(const char* text, PciAddress* address) {
    const char* p = std::strchr(text, ':');
    if (!p) return PciAddressParse::kNoColon;
    ++p;

    PciAddress result;
    uint8_t fields[3] = {0xFF, 0xFF, 0xFF};
    int field = kBus;
    int count = 0;
    uint8_t value = 0;
    uint16_t segment = 0;
    int segmentCount = 0;
    for (; *p; ++p) {
        if (field < kSegment && *p == ':' && count < 3) {
            fields[field] = field == kFunction ? (value & 0x0F) : value;
            ++field;
            count = 0;
            value = 0;
            continue;
        }
        // Past two digits, a colon counts as a digit like any other.
        const uint8_t digit = HexDigitValue(*p);
        if (digit > 15) return PciAddressParse::kBadCharacter;
        if (field == kSegment) {
            if (segmentCount < 4) {
                segment = static_cast<uint16_t>((segment << 4) | digit);
                ++segmentCount;
            }
            continue;
        }
        if (count == 0) {
            value = digit;
        } else if (count == 1) {
            value = static_cast<uint8_t>((value << 4) | digit);
        } else {
            value |= digit;  // further digits merge into the low digit
        }
        ++count;
    }
    if (field == kFunction) {
        fields[kFunction] = count ? (value & 0x0F) : 0xFF;
        segment = 0;
    } else if (field < kFunction) {
        segment = value;
    }
    result.bus = fields[kBus];
    result.device = fields[kDevice];
    result.function = fields[kFunction];
    result.segment = segment;
    *address = result;
    return PciAddressParse::kOk;
}

int ChooseAdapterByPciCommand(uint32_t, uint16_t*, uint32_t*) {
    const char* text = CurrentCommand()->string;
    PciAddress wanted;
    switch (ParsePciAddress(text, &wanted)) {
        case PciAddressParse::kOk:
            break;
        case PciAddressParse::kNoColon:
            MessageAt(kLevelError,
                      "\tERROR: PCI address %s has no colon; the format is "
                      "x:bus:dev:func[:segment].\n",
                      text);
            return 0;
        case PciAddressParse::kBadCharacter:
            MessageAt(kLevelError, "\tERROR: PCI address %s holds a character that is no digit.\n",
                      text);
            return 0;
    }
    uint32_t number = 1;
    for (AdapterRecord* a = FirstAdapter(); a; a = a->next, ++number) {
        if (a->bus == wanted.bus && a->device == wanted.device && a->function == wanted.function &&
            (wanted.segment == 0 || a->segment == wanted.segment)) {
            SelectNumbered(a, number);
            return CheckOperational() ? 1 : 0;
        }
    }
    return 0;
}

SsidParse ParseSsid(const char* text, SsidCheck* check, uint16_t* value) {
    SsidCheck result;
    uint16_t collected = 0;
    int digits = 0;
    bool bad = false;
    for (const char* p = text;; ++p) {
        if (*p == ':' || *p == '\0') {
            if (digits != 4 || bad) {
                *value = collected;
                return *p == ':' ? SsidParse::kIllegalVendor : SsidParse::kIllegalDevice;
            }
            if (*p == '\0') {
                result.device = collected;
                break;
            }
            result.vendor = collected;
            collected = 0;
            digits = 0;
            continue;
        }
        const uint8_t digit = HexDigitValue(*p);
        if (digit > 15) bad = true;
        if (digits < 4 && digit <= 15)
            collected = static_cast<uint16_t>(collected | (digit << (12 - 4 * digits)));
        ++digits;
    }
    *check = result;
    return SsidParse::kOk;
}

int TestSsidCommand(uint32_t, uint16_t*, uint32_t*) {
    SsidCheck expected;
    uint16_t collected = 0;
    switch (ParseSsid(CurrentCommand()->string, &expected, &collected)) {
        case SsidParse::kOk:
            break;
        case SsidParse::kIllegalVendor:
            MessageAt(kLevelReport, "\tIllegal SSVID value found (%04x)\n", collected);
            return 0;
        case SsidParse::kIllegalDevice:
            MessageAt(kLevelReport, "\tIllegal SSDID value found (%04x)\n", collected);
            return 0;
    }
    const AdapterRecord* adapter = CurrentAdapter();
    const uint16_t vendor = adapter ? adapter->subsystemVendorId : 0;
    const uint16_t device = adapter ? adapter->subsystemDeviceId : 0;
    if (expected.vendor == vendor && expected.device == device) {
        MessageAt(kLevelReport, "\tCurrent adapter verified for SSVID:SSDID (%04x:%04x)\n\n",
                  expected.vendor, expected.device);
        return 1;
    }
    MessageAt(kLevelReport, "\tFailed SSVID:SSDID check\n");
    MessageAt(kLevelReport, "\t\tSSVID to check: %04x - SSVID found: %04x\n", expected.vendor,
              vendor);
    MessageAt(kLevelReport, "\t\tSSDID to check: %04x - SSDID found: %04x\n", expected.device,
              device);
    return 0;
}
