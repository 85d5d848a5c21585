#pragma once
// Intel HEX output of the images, laid out as gpasm lays out its files:
// extended linear address (04) records, one per 64 KB region, data records of
// at most 16 bytes that never cross a 16-byte boundary, in ascending address
// order, and the end record ":00000001FF".

#include <cstdint>
#include <span>
#include <string>

#include "images/images.h"

namespace tamro {

enum class HexRegions {
    // Program flash only, the way Save HEX and `tamro18-cli read` have
    // always written it.
    FlashOnly,
    // Program flash, the ID locations marked present, all configuration
    // bytes 300000h to 30000Dh under the device's implemented-bit masks, and
    // the data EEPROM (as READ_EEPROM last read it, or else the bytes marked
    // present): a file that clones the chip.
    WholeChip,
};

struct HexWriteOptions {
    HexRegions regions = HexRegions::FlashOnly;
    // Program words 0 to this one (at most the device's last word; below 0
    // writes no flash).
    int lastWord = kMaxProgramBytes / 2 - 1;
    // The implemented bits of the configuration bytes (WholeChip only).
    ConfigBytes configMask{};
};

// One record with its checksum, upper-case digits, no line end.
std::string IntelHexRecord(std::uint8_t type, std::uint16_t address,
                           std::span<const std::uint8_t> data);

// The file's text, one record per line ending in LF. Flash records of 16
// bytes that are all FFh are left out: the loader starts from an image of FFh
// and an erased chip reads FFh, so the file means the same image.
std::string IntelHexText(const Images& images, const HexWriteOptions& options);

// Writes IntelHexText to `path` whole or not at all (WriteFileAtomically); false
// with `error` set when the file cannot be written, the old file then as it was.
bool WriteIntelHexFile(const std::string& path, const Images& images,
                       const HexWriteOptions& options, std::string* error);

}  // namespace tamro
