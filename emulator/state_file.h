#pragma once
// The emulated chip's memory in a file, so it survives between runs and is
// shared between processes. The file is written whole or not at all
// (WriteFileAtomically); only a regular file is read or replaced, a symbolic
// link is followed to its target, and a file that is not a complete state of
// this device is kept aside rather than overwritten.

#include <optional>
#include <string>
#include <string_view>

#include "common/file_io.h"
#include "emulator/pic18_target.h"

namespace tamro::emu {

enum class StateLoad {
    Loaded,
    Missing,     // no file yet, or an empty one: the chip starts erased
    Corrupt,     // short, long, damaged or another device's: kept aside
    Unreadable,  // not a regular file, or the system refused to read it
};

struct StateFileLoad {
    StateLoad outcome = StateLoad::Missing;
    std::optional<TargetMemory> memory;
    // What went wrong, for Corrupt and Unreadable.
    std::string problem;
};

// The memory held in a state file's bytes, when they are a whole state of `device`.
std::optional<TargetMemory> StateFromBytes(std::string_view bytes, Device device);

// Reads the file. A corrupt one is renamed to PATH.corrupt (or PATH.corrupt-N
// when that is taken) and the problem says so.
StateFileLoad LoadStateFile(const std::string& path, Device device);

// Writes the whole file in place of the old one.
FileResult SaveStateFile(const std::string& path, Device device, const TargetMemory& memory);

// Whether `path` can serve as the state file: a regular file, or none yet in
// a folder that can be written (made when missing). Changes no file.
FileResult CheckStateFile(const std::string& path);

// <dataFolder>/tamro18/emulator-<device>.state; empty without a data folder.
std::string DefaultStateFile(const std::string& dataFolder, Device device);

}  // namespace tamro::emu
