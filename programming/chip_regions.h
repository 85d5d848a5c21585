#pragma once
// The four memories of the target as one address space (the addresses Intel
// HEX files give them), the differences a verify finds in them and the
// blank check of an erased chip.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "images/images.h"

namespace tamro {

enum class ChipRegion { Flash, IdLocations, Configuration, Eeprom };
inline constexpr int kChipRegions = 4;
inline constexpr std::array<ChipRegion, kChipRegions> kAllChipRegions{
    ChipRegion::Flash, ChipRegion::IdLocations, ChipRegion::Configuration, ChipRegion::Eeprom};

// "flash", "ID locations", "configuration", "EEPROM".
const char* RegionName(ChipRegion region);
// The address of the region's first byte: 0, 200000h, 300000h, F00000h.
std::uint32_t RegionBase(ChipRegion region);
// Six hexadecimal digits and "h": "00010Bh".
std::string ChipAddressText(std::uint32_t address);

// One byte the target holds differently from the image.
struct Difference {
    ChipRegion region;
    std::uint32_t address;  // in the address space above
    std::uint8_t fileValue;
    std::uint8_t chipValue;
    bool operator==(const Difference&) const = default;
};

// "flash 00010Bh: file 12h, chip 34h".
std::string DifferenceText(const Difference& difference);
// The verify message: "Verify Data ERROR at flash 00010Bh".
std::string VerifyErrorText(const Difference& first);

// What a blank check read from the target.
struct ChipContents {
    std::span<const std::uint8_t> program;  // bytes from address 0
    std::array<std::uint8_t, kIdBytes> id{};
    ConfigBytes config{};
    std::span<const std::uint8_t> eeprom;  // bytes from EEPROM address 0
};

// The first address of each region that does not hold its erased value;
// none for a blank region.
struct BlankCheckReport {
    std::array<std::optional<std::uint32_t>, kChipRegions> firstNonBlank{};
    bool Blank() const;
    const std::optional<std::uint32_t>& FirstNonBlank(ChipRegion region) const {
        return firstNonBlank[static_cast<std::size_t>(region)];
    }
};

// Flash, ID locations and EEPROM are erased at FFh; the configuration bytes
// have every implemented bit (`configMask`) set, unimplemented bits do not count.
BlankCheckReport CheckBlank(const ChipContents& chip, const ConfigBytes& configMask);

// One line per region: "flash blank" or "flash not blank from 000010h".
std::string BlankCheckText(const BlankCheckReport& report);

}  // namespace tamro
