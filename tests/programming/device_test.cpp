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

}  // namespace
}  // namespace tamro
