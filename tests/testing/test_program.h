#pragma once
// A small PIC18 program with configuration, ID locations, flash at both ends and
// EEPROM data, assembled by gpasm: what the end-to-end tests write and read back.

#include <filesystem>
#include <string>

namespace tamro::testing {

// Assembles the program for `processor` (gpasm's name, "18f452") in `folder`,
// with `extraLines` of source before its end; the HEX file's path, or empty
// when gpasm is not installed or fails.
std::string AssembleTestProgram(const std::filesystem::path& folder, const std::string& processor,
                                const std::string& extraLines = "");

}  // namespace tamro::testing
