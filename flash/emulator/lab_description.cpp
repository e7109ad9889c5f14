#include "flash/emulator/lab_description.h"

#include <set>

#include "flash/emulator/error_names.h"

namespace emu {
namespace {

template <typename Description>
using Setter = bool (*)(std::string_view value, Description* description, std::string* why);

template <typename Description>
struct KeyRule {
    std::string_view key;
    Setter<Description> set;
    bool repeatable = false;
};

template <typename Description, uint32_t Description::*Member, uint64_t Max>
bool SetNumber(std::string_view value, Description* description, std::string* why) {
    uint64_t number = 0;
    if (!ParseNumber(value, Max, &number)) {
        *why = "expected a number up to " + std::to_string(Max);
        return false;
    }
    description->*Member = static_cast<uint32_t>(number);
    return true;
}

bool ParseYesNo(std::string_view value, bool* flag, std::string* why) {
    if (value == "yes" || value == "no") {
        *flag = value == "yes";
        return true;
    }
    *why = "expected yes or no";
    return false;
}

template <typename Description, bool Description::*Member>
bool SetFlag(std::string_view value, Description* description, std::string* why) {
    return ParseYesNo(value, &(description->*Member), why);
}

template <bool Faults::*Member>
bool SetFaultFlag(std::string_view value, ControllerDescription* description, std::string* why) {
    return ParseYesNo(value, &(description->faults.*Member), why);
}

struct NamedValue {
    std::string_view name;
    uint8_t value;
};

constexpr NamedValue kIocStates[] = {
    {"operational", static_cast<uint8_t>(IocState::kOperational)},
    {"ready", static_cast<uint8_t>(IocState::kReady)},
    {"fault", static_cast<uint8_t>(IocState::kFault)},
    {"reset", static_cast<uint8_t>(IocState::kReset)},
};

constexpr NamedValue kDriverModules[] = {
    {"none", static_cast<uint8_t>(DriverModule::kNone)},
    {"mptctl_sas", static_cast<uint8_t>(DriverModule::kMptctlSas)},
    {"mptctl", static_cast<uint8_t>(DriverModule::kMptctl)},
};

constexpr NamedValue kIoctlKinds[] = {
    {"iocinfo", static_cast<uint8_t>(IoctlKind::kIocInfo)},
    {"command", static_cast<uint8_t>(IoctlKind::kCommand)},
    {"hardreset", static_cast<uint8_t>(IoctlKind::kHardReset)},
};

template <size_t N>
bool LookUp(const NamedValue (&table)[N], std::string_view name, uint8_t* value, std::string* why) {
    std::string choices;
    for (const NamedValue& row : table) {
        if (row.name == name) {
            *value = row.value;
            return true;
        }
        choices += choices.empty() ? "" : ", ";
        choices += row.name;
    }
    *why = "expected one of " + choices;
    return false;
}

template <size_t N>
std::string_view NameOf(const NamedValue (&table)[N], uint8_t value) {
    for (const NamedValue& row : table) {
        if (row.value == value) return row.name;
    }
    return "?";
}

std::vector<std::string_view> SplitBlanks(std::string_view text) {
    std::vector<std::string_view> words;
    while (!(text = TrimBlanks(text)).empty()) {
        size_t end = text.find_first_of(" \t");
        words.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end);
    }
    return words;
}

bool SetIocState(std::string_view value, ControllerDescription* description, std::string* why) {
    uint8_t state = 0;
    if (!LookUp(kIocStates, value, &state, why)) return false;
    description->iocState = static_cast<IocState>(state);
    return true;
}

bool SetDriverVersion(std::string_view value, ControllerDescription* description,
                      std::string* why) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    // The driver's text field holds 32 bytes including the terminating zero.
    if (value.size() > 31) {
        *why = "the driver version text has at most 31 characters";
        return false;
    }
    description->driverVersion = std::string(value);
    return true;
}

bool SetPhyLinkRates(std::string_view value, ControllerDescription* description, std::string* why) {
    description->phyLinkRates.clear();
    for (std::string_view word : SplitBlanks(value)) {
        uint64_t rate = 0;
        if (!ParseNumber(word, 0xFF, &rate)) {
            *why = "\"" + std::string(word) + "\" is not a link rate (0 to 255)";
            return false;
        }
        description->phyLinkRates.push_back(static_cast<uint8_t>(rate));
    }
    return true;
}

// fail_ioctl = <iocinfo|command|hardreset> [errno name, EIO when absent]
bool AddFailingIoctl(std::string_view value, ControllerDescription* description, std::string* why) {
    std::vector<std::string_view> words = SplitBlanks(value);
    uint8_t kind = 0;
    if (words.empty() || words.size() > 2 || !LookUp(kIoctlKinds, words[0], &kind, why)) {
        if (why->empty()) *why = "expected an ioctl kind and an optional errno name";
        return false;
    }
    int error = words.size() == 2 ? ErrorByName(words[1]) : ErrorByName("EIO");
    if (error == 0) {
        *why = "\"" + std::string(words[1]) + "\" is not an errno name the lab knows";
        return false;
    }
    description->faults.failingIoctls.push_back({static_cast<IoctlKind>(kind), error});
    return true;
}

// reply_status = function=<n> status=<n> [loginfo=<n>] [page_type=<n>] [page_number=<n>]
//                [ext_page_type=<n>]
bool AddReplyStatus(std::string_view value, ControllerDescription* description, std::string* why) {
    ReplyStatusFault fault;
    bool haveFunction = false;
    bool haveStatus = false;
    std::set<std::string_view> seen;
    for (std::string_view word : SplitBlanks(value)) {
        size_t equals = word.find('=');
        std::string_view name = word.substr(0, equals);
        std::string_view number = equals == std::string_view::npos ? "" : word.substr(equals + 1);
        uint64_t n = 0;
        uint64_t max = name == "loginfo" ? 0xFFFFFFFF : name == "status" ? 0xFFFF : 0xFF;
        if (!seen.insert(name).second || !ParseNumber(number, max, &n)) {
            *why = "\"" + std::string(word) + "\" is not a name=number pair of this fault";
            return false;
        }
        if (name == "function") {
            fault.function = static_cast<uint8_t>(n);
            haveFunction = true;
        } else if (name == "status") {
            fault.iocStatus = static_cast<uint16_t>(n);
            haveStatus = true;
        } else if (name == "loginfo") {
            fault.iocLogInfo = static_cast<uint32_t>(n);
        } else if (name == "page_type") {
            fault.pageType = static_cast<uint8_t>(n);
        } else if (name == "page_number") {
            fault.pageNumber = static_cast<uint8_t>(n);
        } else if (name == "ext_page_type") {
            fault.extPageType = static_cast<uint8_t>(n);
        } else {
            *why = "\"" + std::string(name) + "\" is not a field of reply_status";
            return false;
        }
    }
    if (!haveFunction || !haveStatus) {
        *why = "reply_status needs function= and status=";
        return false;
    }
    // Only configuration requests name a page.
    if ((fault.pageType || fault.pageNumber || fault.extPageType) && fault.function != 0x04) {
        *why = "page_type, page_number and ext_page_type go with function=0x04 only";
        return false;
    }
    description->faults.replyStatuses.push_back(fault);
    return true;
}

using C = ControllerDescription;

constexpr KeyRule<C> kControllerKeys[] = {
    {"pci_device_id", SetNumber<C, &C::pciDeviceId, 0xFFFF>},
    {"pci_revision", SetNumber<C, &C::pciRevision, 0xFF>},
    {"subsystem_vendor_id", SetNumber<C, &C::subsystemVendorId, 0xFFFF>},
    {"subsystem_device_id", SetNumber<C, &C::subsystemDeviceId, 0xFFFF>},
    {"pci_bus", SetNumber<C, &C::pciBus, 0xFFFFFF>},
    {"pci_device", SetNumber<C, &C::pciDevice, 0x1F>},
    {"pci_function", SetNumber<C, &C::pciFunction, 0x7>},
    {"adapter_type", SetNumber<C, &C::adapterType, 0xFFFFFFFF>},
    {"port", SetNumber<C, &C::port, 0xFFFFFFFF>},
    {"num_devices", SetNumber<C, &C::numDevices, 0xFFFFFFFF>},
    {"host_id", SetNumber<C, &C::hostId, 0xFF>},
    {"bios_version", SetNumber<C, &C::biosVersion, 0xFFFFFFFF>},
    {"bus_change_event", SetNumber<C, &C::busChangeEvent, 0xFF>},
    {"adapter_word", SetNumber<C, &C::adapterWord, 0xFFFFFFFF>},
    {"driver_version", SetDriverVersion},
    {"msg_version", SetNumber<C, &C::msgVersion, 0xFFFF>},
    {"product_id", SetNumber<C, &C::productId, 0xFFFF>},
    {"fw_version", SetNumber<C, &C::fwVersion, 0xFFFFFFFF>},
    {"number_of_ports", SetNumber<C, &C::numberOfPorts, 0xFF>},
    {"ioc_exceptions", SetNumber<C, &C::iocExceptions, 0xFFFF>},
    // Regions are held in memory while a request works on them; 64 MiB keeps that sane.
    {"flash_size", SetNumber<C, &C::flashSize, 0x4000000>},
    {"phy_link_rates", SetPhyLinkRates},
    {"ioc_state", SetIocState},
    {"pending_firmware", SetFlag<C, &C::pendingFirmware>},
    {"fail_ioctl", AddFailingIoctl, true},
    {"reply_status", AddReplyStatus, true},
    {"download_writes_nothing", SetFaultFlag<&Faults::downloadWritesNothing>},
    {"upload_corrupt", SetFaultFlag<&Faults::uploadCorrupt>},
    {"fail_reset", SetFaultFlag<&Faults::failReset>},
};

bool SetDriverModule(std::string_view value, Machine* machine, std::string* why) {
    uint8_t driver = 0;
    if (!LookUp(kDriverModules, value, &driver, why)) return false;
    machine->driver = static_cast<DriverModule>(driver);
    return true;
}

constexpr KeyRule<Machine> kMachineKeys[] = {
    {"driver", SetDriverModule},
    {"driver_loaded", SetFlag<Machine, &Machine::driverLoaded>},
    {"driver_node", SetFlag<Machine, &Machine::driverNode>},
    {"mptctl_node_made", SetFlag<Machine, &Machine::mptctlNodeMade>},
    {"fail_module_load", SetFlag<Machine, &Machine::failModuleLoad>},
};

template <typename Description, size_t N>
bool ApplyKeys(const KeyRule<Description> (&rules)[N], std::string_view text,
               Description* description, TextProblem* problem) {
    std::vector<KeyValueLine> lines;
    if (!ParseKeyValueText(text, &lines, problem)) return false;
    std::set<std::string> seen;
    for (const KeyValueLine& line : lines) {
        const KeyRule<Description>* rule = nullptr;
        for (const KeyRule<Description>& candidate : rules) {
            if (candidate.key == line.key) rule = &candidate;
        }
        if (!rule) {
            *problem = {line.line, "unknown key \"" + line.key + "\""};
            return false;
        }
        if (!rule->repeatable && !seen.insert(line.key).second) {
            *problem = {line.line, "\"" + line.key + "\" is given twice"};
            return false;
        }
        std::string why;
        if (!rule->set(line.value, description, &why)) {
            *problem = {line.line, line.key + " = " + line.value + ": " + why};
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseMachineDescription(std::string_view text, Machine* machine, TextProblem* problem) {
    *machine = Machine{};
    return ApplyKeys(kMachineKeys, text, machine, problem);
}

bool ParseControllerDescription(std::string_view text, ControllerDescription* description,
                                TextProblem* problem) {
    *description = ControllerDescription{};
    return ApplyKeys(kControllerKeys, text, description, problem);
}

std::string_view IocStateText(IocState state) {
    return NameOf(kIocStates, static_cast<uint8_t>(state));
}

std::string_view DriverModuleText(DriverModule driver) {
    return NameOf(kDriverModules, static_cast<uint8_t>(driver));
}

std::string_view YesNo(bool value) {
    return value ? "yes" : "no";
}

std::string FormatMachineDescription(const Machine& machine) {
    std::string text = "# The machine of this lab (LAB.md, \"machine.conf\").\n";
    auto line = [&](std::string_view key, std::string_view value) {
        text.append(key).append(" = ").append(value).append("\n");
    };
    line("driver", DriverModuleText(machine.driver));
    line("driver_loaded", YesNo(machine.driverLoaded));
    line("driver_node", YesNo(machine.driverNode));
    line("mptctl_node_made", YesNo(machine.mptctlNodeMade));
    line("fail_module_load", YesNo(machine.failModuleLoad));
    return text;
}

}  // namespace emu
