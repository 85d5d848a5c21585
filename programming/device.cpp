#include "programming/device.h"

#include <utility>

#include "common/number_text.h"

namespace tamro {
namespace {

struct DeviceEntry {
    std::uint16_t maskedId;
    const char* name;
};

constexpr DeviceEntry kDeviceTable[] = {
    {0x0400, "18F252"},  {0x0420, "18F452"},  {0x0480, "18F242"},  {0x04A0, "18F442"},
    {0x0520, "18F4320"}, {0x0800, "18F248"},  {0x0820, "18F448"},  {0x0840, "18F258"},
    {0x0860, "18F458"},  {0x0C00, "18F4620"}, {0x0C20, "18F4610"}, {0x0C40, "18F4525"},
    {0x0C60, "18F4515"}, {0x0C80, "18F2620"}, {0x0CA0, "18F2610"}, {0x0CC0, "18F2525"},
    {0x0CE0, "18F2515"}, {0x0E80, "18F4680"}, {0x0EA0, "18F4585"}, {0x0EC0, "18F2680"},
    {0x0EE0, "18F2585"}, {0x1080, "18F4520"}, {0x10C0, "18F4420"}, {0x10E0, "18F4410"},
    {0x1100, "18F2520"}, {0x1120, "18F2510"}, {0x1140, "18F2420"}, {0x1160, "18F2410"},
    {0x1200, "18F4550"}, {0x1220, "18F4455"}, {0x1240, "18F2550"}, {0x1260, "18F2455"},
    {0x1A80, "18F4580"}, {0x1AA0, "18F4480"}, {0x1AC0, "18F2580"}, {0x1AE0, "18F2480"},
    {0x2100, "18F4321"}, {0x2120, "18F2321"}, {0x2140, "18F4221"}, {0x2160, "18F2221"},
    {0x2400, "18F4450"}, {0x2420, "18F2450"},
};
static_assert(std::size(kDeviceTable) == 42);

}  // namespace

DeviceGroup GroupOfOption(int optionIndex) {
    return optionIndex == kOption4520 ? DeviceGroup::Pic18F4520 : DeviceGroup::Pic18F452;
}

int OptionOfGroup(DeviceGroup group) {
    return group == DeviceGroup::Pic18F4520 ? kOption4520 : kOption452;
}

DeviceGroupValues GroupForOption(int optionIndex) {
    DeviceGroupValues values;
    values.group = GroupOfOption(optionIndex);
    const bool is4520 = values.group == DeviceGroup::Pic18F4520;
    values.defaultConfig = {0xFF, static_cast<std::uint8_t>(is4520 ? 0xF2 : 0xFA),
                            0xF6, 0xFE,
                            0xFF, 0xFF,
                            0xFB, 0xFF,
                            0xFF, 0xFF,
                            0xFF, 0xFF,
                            0xFF, 0xFF};
    return values;
}

std::string DeviceNameForId(std::uint16_t deviceId) {
    const std::uint16_t mask = (deviceId >> 8) == 0x0E ? 0x7FF0 : 0x7FE0;
    const std::uint16_t masked = deviceId & mask;
    for (const DeviceEntry& entry : kDeviceTable) {
        if (entry.maskedId == masked) return entry.name;
    }
    return "18F452";
}

int OptionFromStoredDevice(const std::string& stored) {
    if (stored.empty()) return kOption452;
    const double index = RoundHalfEven(NumericValue(stored));
    return index == kOption4520 ? kOption4520 : kOption452;
}

std::string StoredDeviceText(int optionIndex) {
    return SignedDecimalText(optionIndex);
}

DeviceIdReading ReadDeviceId(Link& link, OperationView& view) {
    view.SetNotesColour(kNotesRed);
    view.SetNotesCaption("Now Reading");
    using protocol::Code;
    using protocol::Command;
    link.Exchange(Command::VppLevel, Code(protocol::VppLevel::ZeroVolts));
    link.Exchange(Command::LineMode, Code(protocol::LineMode::Mode1));
    link.Exchange(Command::VppLevel, Code(protocol::VppLevel::Programming));
    link.Exchange(Command::SetTablePointer, protocol::address::kDeviceIdUpper,
                  protocol::address::kDeviceIdHigh, protocol::address::kDeviceIdLow);
    link.Exchange(Command::TableRead, protocol::icsp::kTableReadPostIncrement, 2);
    const std::uint8_t low = link.ReceiveBuffer()[0];
    const std::uint8_t high = link.ReceiveBuffer()[1];
    link.Exchange(Command::VppLevel, Code(protocol::VppLevel::FiveVolts));
    link.Exchange(Command::LineMode, Code(protocol::LineMode::Mode1));
    view.SetNotesColour(kNotesWhite);

    DeviceIdReading reading;
    reading.deviceId = static_cast<std::uint16_t>(high << 8 | low);
    reading.deviceName = DeviceNameForId(reading.deviceId);
    view.SetDeviceText(reading.deviceName + "  (" +
                       HexText16(static_cast<std::int16_t>(reading.deviceId)) + ")");
    view.SetNotesCaption("Device=" + reading.deviceName + " (" + HexText(high) + HexText(low) +
                         ")");
    view.ProcessPendingEvents();
    return reading;
}

}  // namespace tamro
