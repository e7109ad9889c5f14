#include "flash/emulator/lab_state.h"

#include <string>
#include <system_error>

#include "flash/emulator/lab_description.h"
#include "flash/emulator/lab_files.h"

namespace emu {

bool SaveMachineState(const Lab& lab) {
    std::filesystem::path file = lab.root / "machine.conf";
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        // The keys left out would read back as their defaults, which need not be this machine.
        return WriteFileAtomically(file, FormatMachineDescription(lab.machine));
    }
    return UpdateKeysInFile(file,
                            {{"driver_loaded", std::string(YesNo(lab.machine.driverLoaded))},
                             {"mptctl_node_made", std::string(YesNo(lab.machine.mptctlNodeMade))}});
}

bool SaveControllerState(const Controller& controller) {
    const ControllerDescription& description = controller.description;
    return UpdateKeysInFile(
        controller.dir / "controller.conf",
        {{"ioc_state", std::string(IocStateText(description.iocState))},
         {"pending_firmware", std::string(YesNo(description.pendingFirmware))}});
}

}  // namespace emu
