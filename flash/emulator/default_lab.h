// Where the lab is, and the default lab the emulator makes when that place is still empty:
// three controllers of different chips at sparse IOC numbers, described in LAB.md.
#pragma once

#include <filesystem>

namespace emu {

// TESSEL_LAB, else "${XDG_STATE_HOME:-$HOME/.local/state}/tessel-emu/default-lab"; empty when
// neither can be formed.
std::filesystem::path LabPath();

// The lab directory for this run: a path that does not exist yet gets the default lab.
std::filesystem::path PrepareLabDirectory();

// Writes the default lab at `root` (which must not exist) in one rename.
bool CreateDefaultLab(const std::filesystem::path& root);

}  // namespace emu
