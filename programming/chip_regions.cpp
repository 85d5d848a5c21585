#include "programming/chip_regions.h"

#include <algorithm>
#include <cstdio>

namespace tamro {
namespace {

constexpr std::uint8_t kErased = 0xFF;

std::string HexByteText(std::uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value);
    return std::string(text) + "h";
}

template <typename Bytes>
std::optional<std::uint32_t> FirstNotErased(const Bytes& bytes, ChipRegion region) {
    const auto found =
        std::find_if(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != kErased; });
    if (found == bytes.end()) return std::nullopt;
    return RegionBase(region) + static_cast<std::uint32_t>(found - bytes.begin());
}

}  // namespace

const char* RegionName(ChipRegion region) {
    switch (region) {
        case ChipRegion::Flash:
            return "flash";
        case ChipRegion::IdLocations:
            return "ID locations";
        case ChipRegion::Configuration:
            return "configuration";
        case ChipRegion::Eeprom:
            return "EEPROM";
    }
    return "";
}

std::uint32_t RegionBase(ChipRegion region) {
    switch (region) {
        case ChipRegion::Flash:
            return 0;
        case ChipRegion::IdLocations:
            return kIdBase;
        case ChipRegion::Configuration:
            return kConfigBase;
        case ChipRegion::Eeprom:
            return kEepromBase;
    }
    return 0;
}

std::string ChipAddressText(std::uint32_t address) {
    char text[12];
    std::snprintf(text, sizeof text, "%06Xh", address);
    return text;
}

std::string DifferenceText(const Difference& difference) {
    return std::string(RegionName(difference.region)) + " " + ChipAddressText(difference.address) +
           ": file " + HexByteText(difference.fileValue) + ", chip " +
           HexByteText(difference.chipValue);
}

std::string VerifyErrorText(const Difference& first) {
    return std::string("Verify Data ERROR at ") + RegionName(first.region) + " " +
           ChipAddressText(first.address);
}

bool BlankCheckReport::Blank() const {
    return std::none_of(firstNonBlank.begin(), firstNonBlank.end(),
                        [](const auto& address) { return address.has_value(); });
}

BlankCheckReport CheckBlank(const ChipContents& chip, const ConfigBytes& configMask) {
    BlankCheckReport report;
    auto first = [&report](ChipRegion region) -> std::optional<std::uint32_t>& {
        return report.firstNonBlank[static_cast<std::size_t>(region)];
    };
    first(ChipRegion::Flash) = FirstNotErased(chip.program, ChipRegion::Flash);
    first(ChipRegion::IdLocations) = FirstNotErased(chip.id, ChipRegion::IdLocations);
    first(ChipRegion::Eeprom) = FirstNotErased(chip.eeprom, ChipRegion::Eeprom);
    for (int i = 0; i < kConfigSize; ++i) {
        if ((chip.config[i] & configMask[i]) != configMask[i]) {
            first(ChipRegion::Configuration) = kConfigBase + static_cast<std::uint32_t>(i);
            break;
        }
    }
    return report;
}

std::string BlankCheckText(const BlankCheckReport& report) {
    std::string text;
    for (const ChipRegion region : kAllChipRegions) {
        const auto& address = report.FirstNonBlank(region);
        text += RegionName(region);
        text += address ? " not blank from " + ChipAddressText(*address) : " blank";
        text += '\n';
    }
    return text;
}

}  // namespace tamro
