// Which command has a handler in which table. Commands whose operations are not built yet have
// no row, and the dispatcher answers "Operation not found" for them.
#include "flash/adapters/selection.h"
#include "flash/frontend/all_adapters.h"
#include "flash/frontend/dispatcher.h"
#include "flash/frontend/mode_commands.h"
#include "flash/frontend/option_table.h"

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
    {cmd::kResetAll, ResetAllCommand},
};

}  // namespace

std::span<const OperationEntry> NormalOperationTable() {
    return kNormalTable;
}
std::span<const OperationEntry> AdvancedOperationTable() {
    return kAdvancedTable;
}
