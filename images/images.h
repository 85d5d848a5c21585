#pragma once
// The in-memory images of the target's memories and the state that travels
// with them.

#include <array>
#include <cstdint>

namespace tamro {

constexpr int kProgramBytes = 32768;  // 16384 program words
constexpr int kProgramWords = 16384;
constexpr int kLastProgramWord = kProgramWords - 1;  // 3FFFh
constexpr int kEepromEntries = 257;                  // 0 to 255 used
constexpr int kEepromBytes = 256;                    // F00000h to F000FFh in a HEX file
constexpr int kConfigEntries = 21;                   // 0 to 13 shown and written
constexpr int kConfigSize = 14;                      // 300000h to 30000Dh
constexpr int kIdBytes = 8;                          // 200000h to 200007h

// Target addresses of the regions as Intel HEX files place them.
constexpr std::uint32_t kIdBase = 0x200000;
constexpr std::uint32_t kConfigBase = 0x300000;
constexpr std::uint32_t kEepromBase = 0xF00000;

// The configuration bytes 300000h to 30000Dh.
using ConfigBytes = std::array<std::uint8_t, kConfigSize>;

struct Images {
    // Byte address = index; word w is bytes 2w (low) and 2w+1 (high).
    std::array<std::uint8_t, kProgramBytes> program{};
    std::array<std::uint8_t, kEepromEntries> eeprom{};
    // Entry i is the configuration byte at 300000h + i.
    std::array<std::uint8_t, kConfigEntries> config{};
    // 1 once a HEX file has been loaded; WRITE refuses while it is 0.
    std::int16_t haveData = 0;
    // Last program word address: the end of the program write and of the verify.
    std::int16_t lastAddress = 0;

    // The ID locations, byte i at 200000h + i.
    std::array<std::uint8_t, kIdBytes> id{};
    // Which bytes the image holds from the last HEX file loaded (or from a
    // read that marks what it filled): only those are written and saved.
    std::array<bool, kIdBytes> idPresent{};
    std::array<bool, kEepromBytes> eepromPresent{};
    std::array<bool, kConfigSize> configPresent{};

    // The program image holds a file's or a chip's bytes. Until then (the
    // image of a freshly started panel is all zero) it counts as an erased
    // chip, all FFh, wherever its contents are summed.
    bool programHeld = false;

    // The data EEPROM as the last READ_EEPROM read it, bytes 0 to
    // eepromReadLast (-1: none read since the last HEX load). The EEPROM viewer
    // and Save HEX show it; WRITE never writes it: WRITE writes only the bytes
    // a loaded file gives (eeprom where eepromPresent).
    std::array<std::uint8_t, kEepromBytes> eepromRead{};
    int eepromReadLast = -1;

    bool operator==(const Images&) const = default;
};

}  // namespace tamro
