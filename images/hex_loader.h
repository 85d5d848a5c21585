#pragma once
// HEX_LOAD: reads an Intel HEX file into ProgramImage and ConfigImage.
//
// The file has two regions the panel knows: program flash (upper address
// 0000h) and the configuration bytes (upper address 0030h, target addresses
// 300000h on). Data under any other upper address (ID locations, data EEPROM,
// ...) is skipped. Every record's checksum and length are checked; a corrupt
// record fails the load.

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "common/platform.h"
#include "images/images.h"

namespace tamro {

inline const std::string kFileErrorText = "Can't Open or Read the FILE";
inline const std::string kFileErrorTitle = "FILE ERROR";

struct HexLoadOutcome {
    bool ok = false;
    // StartAddrText and, for LastAddrText and CurrentAddrText, the last word
    // address; set only when the load succeeded.
    std::string startAddressText;
    std::string lastAddressText;
    // The last texts Text2 (the last line read outside the configuration
    // section) and Text_ADMON (the last program byte stored: decimal address,
    // two blanks, decimal value) showed; empty optional: the box keeps its text.
    // They hold on failure too.
    std::optional<std::string> text2;
    std::optional<std::string> textAdmon;
    // A configuration section (upper address 0030h) was met.
    bool configSeen = false;
};

// Loads the file into `images`. ProgramImage is reset to FFh first, even when
// the file cannot be opened. On success HaveData becomes 1 and LastAddress the
// last word address. On failure the bytes stored so far stay, LastAddress keeps
// the value reached so far and HaveData is left as it was.
HexLoadOutcome HEX_LOAD(const std::filesystem::path& hexFileName, Images& images);
// The same for HEX text already at hand; a stream that goes bad fails the load.
HexLoadOutcome HEX_LOAD(std::istream& hexText, Images& images);

// The file error box ("FILE ERROR", critical icon).
void ShowHexFileError(MessageBoxes& messageBoxes);

}  // namespace tamro
