#include "programming/chip_regions.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/testing/known_devices.h"

namespace tamro {
namespace {

TEST(BlankCheckTest, EachRegionAgainstItsErasedValue) {
    struct Case {
        const char* what;
        ChipRegion region;
        int index;           // byte changed in the region
        std::uint8_t value;  // its new value
        bool blank;
    };
    const Case cases[] = {
        {"flash, last byte", ChipRegion::Flash, kProgramBytes - 1, 0xFE, false},
        {"ID location 3", ChipRegion::IdLocations, 3, 0x7F, false},
        {"EEPROM 80h", ChipRegion::Eeprom, 0x80, 0x00, false},
        {"configuration implemented bit", ChipRegion::Configuration, 1, 0x23, false},
        {"configuration unimplemented bit", ChipRegion::Configuration, 1, 0x27, true},
        {"configuration byte without bits", ChipRegion::Configuration, 0, 0x00, true},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> program(kProgramBytes, 0xFF);
        std::vector<std::uint8_t> eeprom(kEepromBytes, 0xFF);
        ChipContents chip{program, {}, kConfigMask18F452, eeprom};
        chip.id.fill(0xFF);
        switch (c.region) {
            case ChipRegion::Flash:
                program[c.index] = c.value;
                break;
            case ChipRegion::IdLocations:
                chip.id[c.index] = c.value;
                break;
            case ChipRegion::Configuration:
                chip.config[c.index] = c.value;
                break;
            case ChipRegion::Eeprom:
                eeprom[c.index] = c.value;
                break;
        }
        const BlankCheckReport report = CheckBlank(chip, kConfigMask18F452);
        EXPECT_EQ(report.Blank(), c.blank) << c.what;
        for (const ChipRegion region : kAllChipRegions) {
            const bool named = !c.blank && region == c.region;
            EXPECT_EQ(report.FirstNonBlank(region).has_value(), named) << c.what;
            if (named) {
                EXPECT_EQ(*report.FirstNonBlank(region),
                          RegionBase(region) + static_cast<std::uint32_t>(c.index))
                    << c.what;
            }
        }
    }
}

TEST(DifferenceTextTest, NamesRegionAddressAndBothValues) {
    EXPECT_EQ(DifferenceText({ChipRegion::Eeprom, 0xF000FF, 0xB5, 0x05}),
              "EEPROM F000FFh: file B5h, chip 05h");
    EXPECT_EQ(VerifyErrorText({ChipRegion::Flash, 0x10B, 0, 1}),
              "Verify Data ERROR at flash 00010Bh");
}

}  // namespace
}  // namespace tamro
