#pragma once
// A small PIC18 program with configuration, ID locations, flash at both ends and
// EEPROM data, assembled by gpasm: what the end-to-end tests write and read back.

#include <filesystem>
#include <string>

namespace tamro::testing {

// The memories the program fills to their ends: the last 16 bytes of flash
// hold data, and so do the first three and the last bytes of the EEPROM
// (none when it has none).
struct TestProgramMemories {
    int flashBytes = 32768;
    int eepromBytes = 256;
};

// Assembles the program for `processor` (gpasm's name, "18f452") in `folder`;
// the HEX file's path, or empty when gpasm is not installed or fails.
std::string AssembleTestProgram(const std::filesystem::path& folder, const std::string& processor,
                                const TestProgramMemories& memories = {});

}  // namespace tamro::testing
