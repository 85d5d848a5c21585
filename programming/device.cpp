#include "programming/device.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "common/number_text.h"

namespace tamro {

const char* GroupName(DeviceGroup group) {
    return group == DeviceGroup::Pic18F4520 ? "18F4520" : "18F452";
}

// The table's reader takes no device larger than the images hold.
static_assert(devices::kMaxFlashBytes <= static_cast<std::uint32_t>(kMaxProgramBytes));
static_assert(devices::kMaxEepromBytes <= static_cast<std::uint32_t>(kMaxEepromBytes));

DeviceGroup GroupOfOption(int optionIndex) {
    return optionIndex == kOption4520 ? DeviceGroup::Pic18F4520 : DeviceGroup::Pic18F452;
}

int OptionOfGroup(DeviceGroup group) {
    return group == DeviceGroup::Pic18F4520 ? kOption4520 : kOption452;
}

DeviceGroup GroupOfFamily(devices::Family family) {
    return family == devices::Family::Pic18F4520 ? DeviceGroup::Pic18F4520 : DeviceGroup::Pic18F452;
}

devices::Family FamilyOfGroup(DeviceGroup group) {
    return group == DeviceGroup::Pic18F4520 ? devices::Family::Pic18F4520
                                            : devices::Family::Pic18F452;
}

DeviceGroupValues ValuesForDevice(const devices::Device& device) {
    DeviceGroupValues values;
    values.group = GroupOfFamily(device.family);
    values.device = device;
    values.programSize = static_cast<int>(device.flashBytes / 2);
    values.lastAddress = device.LastProgramWord();
    values.eepromLast = static_cast<int>(device.eepromBytes) - 1;
    values.defaultConfig = device.configStart;
    values.configMask = device.configMask;
    return values;
}

void FitImagesToDevice(Images& images, const DeviceGroupValues& device) {
    images.lastAddress = device.lastAddress;
    images.flashBytes = 2 * device.programSize;
    images.eepromBytes = device.eepromLast + 1;
    std::fill(images.eepromPresent.begin() + images.eepromBytes, images.eepromPresent.end(), false);
    images.eepromReadLast = std::min(images.eepromReadLast, images.eepromBytes - 1);
}

DeviceGroupValues GroupForOption(int optionIndex) {
    return ValuesForDevice(devices::Table().OfFamily(FamilyOfGroup(GroupOfOption(optionIndex))));
}

std::optional<std::string> DeviceTableName(std::uint16_t deviceId) {
    if (const devices::Device* device = devices::Table().ForId(deviceId)) return device->name;
    return std::nullopt;
}

std::string DeviceNameForId(std::uint16_t deviceId) {
    return DeviceTableName(deviceId).value_or("18F452");
}

std::optional<std::string> WhyNotProgrammed(const devices::Device& device) {
    // The table's reader takes only sizes and write buffers the images and
    // the operations hold (see the static_asserts above).
    if (!device.Served()) return device.notServed;
    return std::nullopt;
}

std::optional<DeviceGroup> GroupServing(std::uint16_t deviceId) {
    const devices::Device* device = devices::Table().ForId(deviceId);
    if (!device || WhyNotProgrammed(*device)) return std::nullopt;
    return GroupOfFamily(device->family);
}

DeviceVerdict CheckDevice(DeviceGroup selected, std::uint16_t deviceId) {
    if (IsNoTargetId(deviceId)) return DeviceVerdict::NoTarget;
    const std::optional<DeviceGroup> serving = GroupServing(deviceId);
    if (!serving) return DeviceVerdict::Unknown;
    return *serving == selected ? DeviceVerdict::Served : DeviceVerdict::OtherGroup;
}

std::string DeviceMismatchText(DeviceGroup selected, std::uint16_t deviceId) {
    const std::optional<std::string> name = DeviceTableName(deviceId);
    return std::string(GroupName(selected)) + " selected, the target reports " +
           name.value_or("an unknown device") + " (" + HexText(deviceId) + ")";
}

std::string GroupSwitchText(DeviceGroup to, std::uint16_t deviceId) {
    return "the target reports " + DeviceNameForId(deviceId) + " (" + HexText(deviceId) +
           "): switching to the " + GroupName(to) + " family";
}

std::vector<std::string> ProtectionBitsOn(const devices::Device& device,
                                          const std::uint8_t* config) {
    devices::ConfigArray bytes{};
    std::copy_n(config, bytes.size(), bytes.begin());
    std::vector<std::string> on;
    for (const devices::DecodedSetting& setting : devices::DecodeConfig(device, bytes)) {
        if (setting.protectionOn) on.push_back(setting.field);
    }
    return on;
}

int OptionFromStoredDevice(const std::string& stored) {
    if (stored.empty()) return kOption452;
    const double index = RoundHalfEven(NumericValue(stored));
    return index == kOption4520 ? kOption4520 : kOption452;
}

std::string StoredDeviceText(int optionIndex) {
    return SignedDecimalText(optionIndex);
}

DeviceIdReading ReadDeviceId(Link& link, OperationView& view, bool stopAtFailure) {
    view.SetNotesColour(kNotesRed);
    view.SetNotesCaption("Now Reading");
    using protocol::Code;
    using protocol::Command;
    DeviceIdReading reading;
    auto send = [&](Command command, std::uint8_t d1, std::uint8_t d2 = 0, std::uint8_t d3 = 0) {
        if (!reading.linkOk && stopAtFailure) return;
        if (!link.Exchange(command, d1, d2, d3).ok()) reading.linkOk = false;
    };
    send(Command::VppLevel, Code(protocol::VppLevel::ZeroVolts));
    send(Command::LineMode, Code(protocol::LineMode::Mode1));
    send(Command::VppLevel, Code(protocol::VppLevel::Programming));
    send(Command::SetTablePointer, protocol::address::kDeviceIdUpper,
         protocol::address::kDeviceIdHigh, protocol::address::kDeviceIdLow);
    send(Command::TableRead, protocol::icsp::kTableReadPostIncrement, 2);
    const std::uint8_t low = link.ReceiveBuffer()[0];
    const std::uint8_t high = link.ReceiveBuffer()[1];
    send(Command::VppLevel, Code(protocol::VppLevel::FiveVolts));
    send(Command::LineMode, Code(protocol::LineMode::Mode1));
    if (!reading.linkOk && stopAtFailure) return reading;
    view.SetNotesColour(kNotesWhite);

    reading.deviceId = static_cast<std::uint16_t>(high << 8 | low);
    const bool noTarget = IsNoTargetId(reading.deviceId);
    reading.deviceName = noTarget ? "no target" : DeviceNameForId(reading.deviceId);
    view.SetDeviceText(reading.deviceName + "  (" +
                       HexText16(static_cast<std::int16_t>(reading.deviceId)) + ")");
    if (noTarget) {
        view.SetNotesColour(kNotesRed);
        view.SetNotesCaption("Device=no target");
    } else {
        view.SetNotesCaption("Device=" + reading.deviceName + " (" + HexText(high) + HexText(low) +
                             ")");
    }
    view.ProcessPendingEvents();
    return reading;
}

}  // namespace tamro
