#pragma once
// The in-memory images of the target's memories and the state that travels
// with them.

#include <array>
#include <cstdint>

namespace tamro {

// The largest memories an image holds (the 64 KB, 1 KB-EEPROM devices).
constexpr int kMaxProgramBytes = 65536;
constexpr int kMaxEepromBytes = 1024;
// The memories of an image before a device is selected: those of the 18F452
// and the 18F4520, 32 KB of flash (words 0 to 3FFFh) and 256 bytes of EEPROM.
constexpr int kProgramBytes = 32768;
constexpr int kProgramWords = kProgramBytes / 2;
constexpr int kLastProgramWord = kProgramWords - 1;
constexpr int kEepromBytes = 256;
constexpr int kConfigEntries = 21;  // 0 to 13 shown and written
constexpr int kConfigSize = 14;     // 300000h to 30000Dh
constexpr int kIdBytes = 8;         // 200000h to 200007h

// Target addresses of the regions as Intel HEX files place them.
constexpr std::uint32_t kIdBase = 0x200000;
constexpr std::uint32_t kConfigBase = 0x300000;
constexpr std::uint32_t kEepromBase = 0xF00000;

// The configuration bytes 300000h to 30000Dh.
using ConfigBytes = std::array<std::uint8_t, kConfigSize>;

struct Images {
    // The selected device's memories: the HEX load takes data up to them, and
    // every loop over the images (checksum, viewers, the operations, the HEX
    // written) stops there. The arrays beyond them stay unused.
    int flashBytes = kProgramBytes;
    int eepromBytes = kEepromBytes;  // 0: the device has no data EEPROM
    int LastProgramWord() const { return flashBytes / 2 - 1; }

    // Byte address = index; word w is bytes 2w (low) and 2w+1 (high).
    std::array<std::uint8_t, kMaxProgramBytes> program{};
    std::array<std::uint8_t, kMaxEepromBytes> eeprom{};
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
    std::array<bool, kMaxEepromBytes> eepromPresent{};
    std::array<bool, kConfigSize> configPresent{};

    // The program image holds a file's or a chip's bytes. Until then (the
    // image of a freshly started panel is all zero) it counts as an erased
    // chip, all FFh, wherever its contents are summed.
    bool programHeld = false;

    // The data EEPROM as the last READ_EEPROM read it, bytes 0 to
    // eepromReadLast (-1: none read since the last HEX load). The EEPROM viewer
    // and Save HEX show it; WRITE never writes it: WRITE writes only the bytes
    // a loaded file gives (eeprom where eepromPresent).
    std::array<std::uint8_t, kMaxEepromBytes> eepromRead{};
    int eepromReadLast = -1;

    bool operator==(const Images&) const = default;
};

}  // namespace tamro
