#pragma once
// Intel HEX output of the program image, in the layout the HEX loader reads
// back: an extended linear address record for 0000, program records by their
// byte address, and, when configuration bytes are given, the marker record
// ":020000040030CA" followed by one record of configuration bytes 0 to 13.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "images/images.h"

namespace tamro {

using ConfigBytes = std::array<std::uint8_t, 14>;

// Words 0 to `lastWord` (at most 3FFFh; below 0 writes no program record).
// Records of 16 bytes that are all FFh are left out: the loader starts from an
// image of FFh, so it reads the same image back.
std::string IntelHexText(const std::array<std::uint8_t, kProgramBytes>& program, int lastWord,
                         const std::optional<ConfigBytes>& config = std::nullopt);

// Writes IntelHexText to `path`; false with `error` set when the file cannot be written.
bool WriteIntelHexFile(const std::string& path,
                       const std::array<std::uint8_t, kProgramBytes>& program, int lastWord,
                       const std::optional<ConfigBytes>& config, std::string* error);

}  // namespace tamro
