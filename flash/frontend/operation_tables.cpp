// Which command has a handler in which table. Commands whose operations are not built yet have
// no row, and the dispatcher answers "Operation not found" for them.
#include "flash/adapters/listings.h"
#include "flash/adapters/selection.h"
#include "flash/frontend/all_adapters.h"
#include "flash/frontend/dispatcher.h"
#include "flash/frontend/mode_commands.h"
#include "flash/frontend/option_table.h"
#include "flash/images/bios_flash.h"
#include "flash/images/concat_command.h"
#include "flash/images/firmware_downgrade.h"
#include "flash/images/flash_firmware.h"
#include "flash/images/ombra_flash.h"

namespace {

constexpr OperationEntry kNormalTable[] = {
    {cmd::kAdvancedMode, AdvancedModeCommand},
    {cmd::kLog, LogCommand},
    {cmd::kChooseAdapter, ChooseAdapterCommand},
    {cmd::kChooseByPci, ChooseAdapterByPciCommand},
    {cmd::kVerbose, VerboseCommand},
    {cmd::kSilent, SilentCommand},
    {cmd::kDebug, DebugCommand},
    {cmd::kHelp, HelpCommand},
    {cmd::kVersion, VersionCommand},
    {cmd::kOmbraMode, OmbraModeCommand},
    {cmd::kFlashFirmware, FlashFirmwareCommand},
    {cmd::kFlashDownlevel, FlashFirmwareDowngrade},
    {cmd::kFirmwareAll, FirmwareAllCommand},
    {cmd::kFlashBios, FlashBiosCommand},
    {cmd::kBiosAll, BiosAllCommand},
    {cmd::kList, ListCommand},
    {cmd::kListAll, ListAllCommand},
};

constexpr OperationEntry kAdvancedTable[] = {
    {cmd::kLog, LogCommand},
    {cmd::kChooseAdapter, ChooseAdapterCommand},
    {cmd::kChooseByPci, ChooseAdapterByPciCommand},
    {cmd::kTestSsid, TestSsidCommand},
    {cmd::kVerbose, VerboseCommand},
    {cmd::kSilent, SilentCommand},
    {cmd::kDebug, DebugCommand},
    {cmd::kHelp, HelpCommand},
    {cmd::kVersion, VersionCommand},
    {cmd::kConcat, ConcatenateCommand},
    {cmd::kResetAll, ResetAllCommand},
    {cmd::kFlashFirmware, FlashFirmwareCommand},
    {cmd::kFlashDownlevel, FlashFirmwareDowngrade},
    {cmd::kFirmwareAll, FirmwareAllCommand},
    {cmd::kFlashOmbra, FlashOmbraFirmware},
    {cmd::kFlashBios, FlashBiosCommand},
    {cmd::kFlashBiosAlt, FlashBiosAlternateCommand},
    {cmd::kBiosAll, BiosAllCommand},
    {cmd::kList, ListCommand},
    {cmd::kListAll, ListAllCommand},
    {cmd::kListSasAddress, ListSasAddressCommand},
    {cmd::kDetectFirmware, DetectFirmwareCommand},
    {cmd::kDetectBios, DetectBiosCommand},
};

}  // namespace

std::span<const OperationEntry> NormalOperationTable() {
    return kNormalTable;
}
std::span<const OperationEntry> AdvancedOperationTable() {
    return kAdvancedTable;
}
