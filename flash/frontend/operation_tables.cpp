// Which command has a handler in which table. A command without a row in the current table (an
// advanced command without -o) is answered with "Operation not found".
#include "flash/adapters/listings.h"
#include "flash/adapters/manufacturing.h"
#include "flash/adapters/reset_erase.h"
#include "flash/adapters/selection.h"
#include "flash/adapters/self_tests.h"
#include "flash/frontend/all_adapters.h"
#include "flash/frontend/dispatcher.h"
#include "flash/frontend/mode_commands.h"
#include "flash/frontend/option_table.h"
#include "flash/images/bios_flash.h"
#include "flash/images/concat_command.h"
#include "flash/images/firmware_downgrade.h"
#include "flash/images/flash_firmware.h"
#include "flash/images/ombra_flash.h"
#include "flash/images/uploads.h"
#include "flash/images/vpd_commands.h"

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
    {cmd::kUploadFirmware, UploadFirmwareCommand},
    {cmd::kUploadBios, UploadBiosCommand},
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
    {cmd::kReset, ResetCommand},
    {cmd::kErase, EraseCommand},
    {cmd::kClearPersistent, ClearPersistentCommand},
    {cmd::kTestFirmware, TestFirmwareVersionCommand},
    {cmd::kTestBios, TestBiosVersionCommand},
    {cmd::kTestProductId, TestProductIdCommand},
    {cmd::kTestLinkStatus, TestLinkStateCommand},
    {cmd::kTestLinkAll, TestLinkStateAllCommand},
    {cmd::kScanChar, ScanCharCommand},
    {cmd::kSasAddress, SasAddressCommand},
    {cmd::kSasAddressHigh, SasAddressHiCommand},
    {cmd::kAssembly, AssemblyCommand},
    {cmd::kTracer, TracerCommand},
    {cmd::kVpd, VpdCommand},
    {cmd::kShowVpd, ShowVpdCommand},
    {cmd::kUploadFirmware, UploadFirmwareCommand},
    {cmd::kUploadBios, UploadBiosCommand},
    {cmd::kUploadNvdata, UploadNvdataCommand},
    {cmd::kUploadBackup, UploadBackupCommand},
    {cmd::kUploadFlash, UploadFullFlashCommand},
    {cmd::kUploadOmbra, UploadOmbraCommand},
};

}  // namespace

std::span<const OperationEntry> NormalOperationTable() {
    return kNormalTable;
}
std::span<const OperationEntry> AdvancedOperationTable() {
    return kAdvancedTable;
}
