#include "programming/device.h"

#include <gtest/gtest.h>

#include "tests/testing/fakes.h"

namespace tamro {
namespace {

TEST(DeviceNameForId, TableWithBothMasks) {
    EXPECT_EQ(DeviceNameForId(0x0427), "18F452");
    EXPECT_EQ(DeviceNameForId(0x1085), "18F4520");
    EXPECT_EQ(DeviceNameForId(0x0400), "18F252");
    EXPECT_EQ(DeviceNameForId(0x2420), "18F2450");
    EXPECT_EQ(DeviceNameForId(0x0E85), "18F4680");  // 7FF0h mask keeps bit 4 ...
    EXPECT_EQ(DeviceNameForId(0x0E90), "18F452");   // ... so 0E90h is not in the table
    EXPECT_EQ(DeviceNameForId(0x0C9F), "18F2620");  // 7FE0h mask drops five revision bits
    EXPECT_EQ(DeviceNameForId(0x9085), "18F4520");  // bit 15 is ignored
    EXPECT_EQ(DeviceNameForId(0x0000), "18F452");
    EXPECT_EQ(DeviceNameForId(0xFFFF), "18F452");
}

TEST(StoredDevice, OptionsFromStoredText) {
    EXPECT_EQ(OptionFromStoredDevice(""), kOption452);
    EXPECT_EQ(OptionFromStoredDevice(" 9"), kOption452);
    EXPECT_EQ(OptionFromStoredDevice(" 10"), kOption4520);
    EXPECT_EQ(OptionFromStoredDevice("10"), kOption4520);
    EXPECT_EQ(OptionFromStoredDevice("10.5"), kOption4520);  // half to even
    EXPECT_EQ(OptionFromStoredDevice("9.5"), kOption4520);
    EXPECT_EQ(OptionFromStoredDevice("3"), kOption452);
    EXPECT_EQ(OptionFromStoredDevice("abc"), kOption452);
    // Indexes that name no option button select option 9.
    EXPECT_EQ(OptionFromStoredDevice("11"), kOption452);
    EXPECT_EQ(OptionFromStoredDevice("-4"), kOption452);
    EXPECT_EQ(OptionFromStoredDevice("1e9"), kOption452);
    EXPECT_EQ(StoredDeviceText(9), " 9");
    EXPECT_EQ(StoredDeviceText(10), " 10");
}

TEST(GroupForOption, GroupValues) {
    const DeviceGroupValues g452 = GroupForOption(kOption452);
    const DeviceGroupValues g4520 = GroupForOption(kOption4520);
    EXPECT_EQ(g452.group, DeviceGroup::Pic18F452);
    EXPECT_EQ(g4520.group, DeviceGroup::Pic18F4520);
    EXPECT_EQ(g452.defaultConfig[1], 0xFA);
    EXPECT_EQ(g4520.defaultConfig[1], 0xF2);
    EXPECT_EQ(g452.programSize, 16384);
    EXPECT_EQ(g452.lastAddress, 0x3FFF);
    EXPECT_EQ(g452.eepromLast, 255);
    const std::array<std::uint8_t, 14> defaults{0xFF, 0xFA, 0xF6, 0xFE, 0xFF, 0xFF, 0xFB,
                                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(g452.defaultConfig, defaults);
}

TEST(DeviceCheck, VerdictsAndTextsForTheSelectedGroup) {
    struct Case {
        DeviceGroup selected;
        std::uint16_t id;
        DeviceVerdict verdict;
        const char* text;
    };
    using enum DeviceVerdict;
    constexpr DeviceGroup k452 = DeviceGroup::Pic18F452, k4520 = DeviceGroup::Pic18F4520;
    const Case cases[] = {
        {k452, 0x0427, Served, "18F452 selected, the target reports 18F452 (427)"},
        {k452, 0x0867, Served, "18F452 selected, the target reports 18F458 (867)"},
        {k452, 0x1087, OtherGroup, "18F452 selected, the target reports 18F4520 (1087)"},
        {k4520, 0x0427, OtherGroup, "18F4520 selected, the target reports 18F452 (427)"},
        {k4520, 0x1205, Served, "18F4520 selected, the target reports 18F4550 (1205)"},
        // Every device of the family, whatever its write buffer and memories.
        {k4520, 0x1245, Served, "18F4520 selected, the target reports 18F2550 (1245)"},
        {k452, 0x0805, Served, "18F452 selected, the target reports 18F248 (805)"},
        {k4520, 0x0C05, Served, "18F4520 selected, the target reports 18F4620 (C05)"},
        {k452, 0x2125, OtherGroup, "18F452 selected, the target reports 18F2321 (2125)"},
        // In the table, identified only.
        {k452, 0x0525, Unknown, "18F452 selected, the target reports 18F4320 (525)"},
        {k452, 0x3456, Unknown, "18F452 selected, the target reports an unknown device (3456)"},
        {k452, 0x0000, NoTarget, nullptr},
        {k4520, 0xFFFF, NoTarget, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckDevice(c.selected, c.id), c.verdict) << std::hex << c.id;
        if (c.text) {
            EXPECT_EQ(DeviceMismatchText(c.selected, c.id), c.text);
        }
    }
}

TEST(DeviceCheck, ProtectionBitsProgrammedToZeroAreNamed) {
    for (const DeviceGroup group : {DeviceGroup::Pic18F452, DeviceGroup::Pic18F4520}) {
        std::array<std::uint8_t, 14> config = GroupForOption(OptionOfGroup(group)).defaultConfig;
        EXPECT_TRUE(
            ProtectionBitsOn(GroupForOption(OptionOfGroup(group)).device, config.data()).empty());
        // Unimplemented bits at 0 protect nothing.
        config[8] = 0x0F;
        config[9] = 0xC0;
        config[11] = 0xE0;
        config[13] = 0x40;
        EXPECT_TRUE(
            ProtectionBitsOn(GroupForOption(OptionOfGroup(group)).device, config.data()).empty());
        config[8] = 0xFE;   // CP0
        config[9] = 0x7F;   // CPD
        config[11] = 0xBF;  // WRTB
        config[12] = 0xF7;  // EBTR3
        config[13] = 0x00;  // EBTRB
        EXPECT_EQ(ProtectionBitsOn(GroupForOption(OptionOfGroup(group)).device, config.data()),
                  (std::vector<std::string>{"CP0", "CPD", "WRTB", "EBTR3", "EBTRB"}));
    }
}

}  // namespace
}  // namespace tamro
