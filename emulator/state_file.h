#pragma once
// The emulated chip's memory in a file, so it survives between runs and is
// shared between processes. Writes go to a temporary file that is then renamed
// over the old one; a missing, short or corrupt file reads as "no state".

#include <optional>
#include <string>

#include "emulator/pic18_target.h"

namespace tamro::emu {

std::optional<TargetMemory> LoadStateFile(const std::string& path, Device device);
// True when the whole file was written and renamed into place.
bool SaveStateFile(const std::string& path, Device device, const TargetMemory& memory);

// $XDG_DATA_HOME/tamro18/emulator-<device>.state, XDG_DATA_HOME defaulting to
// ~/.local/share; empty when neither it nor HOME is set.
std::string DefaultStateFile(Device device);

}  // namespace tamro::emu
