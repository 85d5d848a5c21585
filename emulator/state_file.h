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

// <dataFolder>/tamro18/emulator-<device>.state; empty without a data folder.
std::string DefaultStateFile(const std::string& dataFolder, Device device);

}  // namespace tamro::emu
