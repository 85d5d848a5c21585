#pragma once
// The two device groups, the device table and the device-ID read.

#include <array>
#include <cstdint>
#include <string>

#include "link/link.h"
#include "programming/operation_view.h"

namespace tamro {

constexpr int kOption452 = 9;    // PICsel 9, "18F452"
constexpr int kOption4520 = 10;  // PICsel 10, "18F4520"

// The two device groups differ in their erase, write and configuration-write
// sequences.
enum class DeviceGroup { Pic18F452, Pic18F4520 };

DeviceGroup GroupOfOption(
    int optionIndex);  // option 10 is the 18F4520 group, any other the 18F452's
int OptionOfGroup(DeviceGroup group);

// Values a device selection sets.
struct DeviceGroupValues {
    DeviceGroup group = DeviceGroup::Pic18F452;
    std::int16_t programSize = 16384;
    std::int16_t lastAddress = 16383;
    std::int16_t eepromLast = 255;
    std::array<std::uint8_t, 14> defaultConfig{};
};

// The values of option button 9 or 10 (any other index gives option 9's).
DeviceGroupValues GroupForOption(int optionIndex);

// DEVID_NAME: the device name for a device ID word (mask 7FF0h when the high
// byte is 0Eh, else 7FE0h); an ID not in the table gives "18F452".
std::string DeviceNameForId(std::uint16_t deviceId);

// The option index a stored DEVICE text selects: empty gives 9; otherwise the
// leading number rounded half to even, and anything but 10 selects 9.
int OptionFromStoredDevice(const std::string& stored);
// The text the DEVICE setting stores for an option: " 9" or " 10".
std::string StoredDeviceText(int optionIndex);

struct DeviceIdReading {
    std::uint16_t deviceId = 0;
    std::string deviceName;
};

// Reads the target's device ID over ICSP and shows it in Text_Device and
// NotesLabel. Link failures are reported by the link; the ID is then formed
// from whatever the reply buffer held.
DeviceIdReading ReadDeviceId(Link& link, OperationView& view);

}  // namespace tamro
