#pragma once
// HEX_LOAD: reads an Intel HEX file into the images, all or nothing.
//
// The file is read into scratch images; only a file that loads completely
// replaces the caller's images, so a failed load leaves the previous file
// loaded. Extended linear (04) and extended segment (02) address records place
// the data at target addresses: program flash from 0, ID locations 200000h to
// 200007h, configuration 300000h to 30000Dh, data EEPROM from F00000h, the
// memories as large as the images' device has them (Images::flashBytes and
// eepromBytes). Data anywhere else (EEPROM data for a device without EEPROM
// too), a corrupt record, a line that is not a record and a file without its
// end-of-file record fail the load.

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "common/platform.h"
#include "images/images.h"

namespace tamro {

inline const std::string kFileErrorText = "Can't Open or Read the FILE";
inline const std::string kFileErrorTitle = "FILE ERROR";

// Why a load failed.
enum class HexLoadError {
    None,
    CannotOpen,
    ReadError,
    LineTooLong,  // longer than any record: a binary or a device, not a HEX file
    FileTooLarge,
    NotARecord,  // neither blank nor starting with ":"
    MalformedRecord,
    Checksum,
    UnknownRecordType,
    AddressOutsideDevice,
    MissingEndRecord,  // possibly truncated
};

struct HexLoadOutcome {
    bool ok = false;
    HexLoadError error = HexLoadError::None;
    // The line (from 1) the failure is on; 0 when it concerns the whole file.
    int errorLine = 0;
    // The target address of an AddressOutsideDevice failure.
    std::uint32_t errorAddress = 0;
    // The failure as the user reads it: "line 12: checksum".
    std::string errorText;

    // StartAddrText and, for LastAddrText and CurrentAddrText, the last word
    // address; set only when the load succeeded.
    std::string startAddressText;
    std::string lastAddressText;
    // The last texts Text2 (the last line read outside the configuration
    // region) and Text_ADMON (the last program byte stored: decimal address,
    // two blanks, decimal value) showed; empty optional: the box keeps its text.
    // They hold on failure too.
    std::optional<std::string> text2;
    std::optional<std::string> textAdmon;
    // The file holds configuration bytes (see Images::configPresent for which).
    bool configSeen = false;
};

// Loads the file into `images`. On success the program image is the file's
// data over FFh, HaveData is 1, LastAddress the last word address, the ID
// locations the file's bytes over FFh, and the configuration and EEPROM bytes
// the file holds replace theirs; the present marks say which bytes the file
// held. On failure `images` is left exactly as it was.
HexLoadOutcome HEX_LOAD(const std::filesystem::path& hexFileName, Images& images);
// The same for HEX text already at hand; a stream that goes bad fails the load.
HexLoadOutcome HEX_LOAD(std::istream& hexText, Images& images);

// Configuration bytes 0 to 13 that the last file loaded did not hold take the
// device group's defaults, so nothing of a previous file's configuration stays.
void ApplyConfigurationDefaults(Images& images, const ConfigBytes& defaults);

// "blink.hex: line 12: checksum", for a failed load of `hexFileName`.
std::string HexLoadFailureText(const std::filesystem::path& hexFileName,
                               const HexLoadOutcome& outcome);

// The file error box ("FILE ERROR", critical icon).
void ShowHexFileError(MessageBoxes& messageBoxes);
// The same box naming the file, the line and the reason under its text.
void ShowHexFileError(MessageBoxes& messageBoxes, const std::filesystem::path& hexFileName,
                      const HexLoadOutcome& outcome);

}  // namespace tamro
