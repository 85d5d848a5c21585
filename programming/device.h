#pragma once
// The two device groups, the device table and the device-ID read.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/device_table.h"
#include "images/images.h"
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

// Values a device selection sets, all from the device table's entry for the device.
struct DeviceGroupValues {
    DeviceGroup group = DeviceGroup::Pic18F452;
    devices::Device device;
    int programSize = 0;           // program words
    std::int16_t lastAddress = 0;  // the last program word
    int eepromLast = -1;           // the last data EEPROM address (-1: none)
    std::array<std::uint8_t, 14> defaultConfig{};
    // The bits each configuration byte implements (unimplemented ones read 0):
    // a verify compares the configuration under these.
    std::array<std::uint8_t, 14> configMask{};
};

// Gives the images the device's memories and last program word; EEPROM bytes
// a larger device's file marked beyond them are dropped.
void FitImagesToDevice(Images& images, const DeviceGroupValues& device);

// The values of option button 9 or 10 (any other index gives option 9's): its family's own device.
DeviceGroupValues GroupForOption(int optionIndex);
// The values for a device of the table.
DeviceGroupValues ValuesForDevice(const devices::Device& device);
DeviceGroup GroupOfFamily(devices::Family family);
devices::Family FamilyOfGroup(DeviceGroup group);

// DEVID_NAME: the device name for a device ID word (mask 7FF0h when the high
// byte is 0Eh, else 7FE0h); an ID not in the table gives "18F452".
std::string DeviceNameForId(std::uint16_t deviceId);

// The option index a stored DEVICE text selects: empty gives 9; otherwise the
// leading number rounded half to even, and anything but 10 selects 9.
int OptionFromStoredDevice(const std::string& stored);
// The text the DEVICE setting stores for an option: " 9" or " 10".
std::string StoredDeviceText(int optionIndex);

// The name of the device table's entry for an ID, if it has one.
std::optional<std::string> DeviceTableName(std::uint16_t deviceId);

// Why no sequence of the programmer programs a device of the table (nothing
// when one does: the operations run with the device's own write buffer, erase
// keys and memories).
std::optional<std::string> WhyNotProgrammed(const devices::Device& device);

// The device group whose sequences serve the device with this ID (the device
// table's entry says, and its values are the group's), if any.
std::optional<DeviceGroup> GroupServing(std::uint16_t deviceId);

// An ID read as 0000h or FFFFh: no target answered (lines floating or held).
constexpr bool IsNoTargetId(std::uint16_t deviceId) {
    return deviceId == 0x0000 || deviceId == 0xFFFF;
}

// What the device check makes of a target's ID for the selected group.
enum class DeviceVerdict {
    Served,      // the selected group's sequences serve the device
    OtherGroup,  // a device of the other group: refused
    NoTarget,    // ID 0000h or FFFFh: refused
    Unknown,     // no group is known to serve it: asks before going on
};
DeviceVerdict CheckDevice(DeviceGroup selected, std::uint16_t deviceId);

// "18F452 selected, the target reports 18F4520 (1087)"; an ID outside the
// device table is "an unknown device (1234)".
std::string DeviceMismatchText(DeviceGroup selected, std::uint16_t deviceId);

// The group's name as its option button shows it: "18F452", "18F4520".
const char* GroupName(DeviceGroup group);
// "the target reports 18F4520 (1087): switching to the 18F4520 family"
std::string GroupSwitchText(DeviceGroup to, std::uint16_t deviceId);

// The code and data protection bits (CP0..CP3, CPB, CPD, WRT0..WRT3, WRTB,
// WRTC, WRTD, EBTR0..EBTR3, EBTRB) that `config` (bytes from 300000h) programs
// to 0, as the device's configuration fields name them; empty when it protects nothing.
std::vector<std::string> ProtectionBitsOn(const devices::Device& device,
                                          const std::uint8_t* config /* 14 bytes */);

struct DeviceIdReading {
    std::uint16_t deviceId = 0;
    std::string deviceName;
    // False when an exchange of the read failed (the ID is then not the target's).
    bool linkOk = true;
};

// Reads the target's device ID over ICSP and shows it in Text_Device and
// NotesLabel; an ID of 0000h or FFFFh shows as "no target". Link failures are
// reported by the link; the ID is then formed from whatever the reply buffer
// held, unless `stopAtFailure`, which ends the read at the failed exchange.
DeviceIdReading ReadDeviceId(Link& link, OperationView& view, bool stopAtFailure = false);

}  // namespace tamro
