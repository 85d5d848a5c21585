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
constexpr int kConfigEntries = 21;                   // 0 to 13 shown and written

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
};

}  // namespace tamro
