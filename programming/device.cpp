#include "programming/device.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "common/number_text.h"
#include "images/config_masks.h"

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

// The devices each group's erase, write and configuration-write sequences
// serve, by masked ID, from Microchip's programming specifications:
// - DS39576, "PIC18FXX2/XX8 Programming Specification": one erase key at
//   3C0004h, an 8-byte write buffer, single-panel writes selected at 3C0006h.
constexpr std::uint16_t kServedBy452Group[] = {
    0x0400 /* 18F252 */, 0x0420 /* 18F452 */, 0x0480 /* 18F242 */, 0x04A0 /* 18F442 */,
    0x0800 /* 18F248 */, 0x0820 /* 18F448 */, 0x0840 /* 18F258 */, 0x0860 /* 18F458 */,
};
// - DS39622, "PIC18F2XXX/4XXX Family Programming Specification": two erase
//   keys at 3C0005h and 3C0004h and 16-word blocks, which fit only the
//   members with a 32-byte write buffer (the 18F2221/2321/4221/4321 have 8
//   bytes, the 18F2450/4450 16, the 18F2515..4685 64: they are not served).
constexpr std::uint16_t kServedBy4520Group[] = {
    0x1080 /* 18F4520 */, 0x10C0 /* 18F4420 */, 0x10E0 /* 18F4410 */, 0x1100 /* 18F2520 */,
    0x1120 /* 18F2510 */, 0x1140 /* 18F2420 */, 0x1160 /* 18F2410 */, 0x1200 /* 18F4550 */,
    0x1220 /* 18F4455 */, 0x1240 /* 18F2550 */, 0x1260 /* 18F2455 */, 0x1A80 /* 18F4580 */,
    0x1AA0 /* 18F4480 */, 0x1AC0 /* 18F2580 */, 0x1AE0 /* 18F2480 */,
};

std::uint16_t MaskedId(std::uint16_t deviceId) {
    const std::uint16_t mask = (deviceId >> 8) == 0x0E ? 0x7FF0 : 0x7FE0;
    return deviceId & mask;
}

// Code and data protection bits of CONFIG5L to CONFIG7H (300008h to 30000Dh),
// as the PIC18F452 (DS39564) and PIC18F4520 (DS39631) data sheets map them;
// a bit programmed to 0 turns its protection on.
struct ProtectionBit {
    int byte;  // offset from 300000h
    std::uint8_t bit;
    const char* name;
};
constexpr ProtectionBit kProtectionBits[] = {
    {8, 0x01, "CP0"},    {8, 0x02, "CP1"},    {8, 0x04, "CP2"},    {8, 0x08, "CP3"},
    {9, 0x40, "CPB"},    {9, 0x80, "CPD"},    {10, 0x01, "WRT0"},  {10, 0x02, "WRT1"},
    {10, 0x04, "WRT2"},  {10, 0x08, "WRT3"},  {11, 0x20, "WRTC"},  {11, 0x40, "WRTB"},
    {11, 0x80, "WRTD"},  {12, 0x01, "EBTR0"}, {12, 0x02, "EBTR1"}, {12, 0x04, "EBTR2"},
    {12, 0x08, "EBTR3"}, {13, 0x40, "EBTRB"},
};

const char* GroupName(DeviceGroup group) {
    return group == DeviceGroup::Pic18F4520 ? "18F4520" : "18F452";
}

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
    values.configMask =
        is4520 ? std::array<std::uint8_t, 14>{0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5,
                                              0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40}
               : std::array<std::uint8_t, 14>{0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85,
                                              0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
    return values;
}

std::optional<std::string> DeviceTableName(std::uint16_t deviceId) {
    const std::uint16_t masked = MaskedId(deviceId);
    for (const DeviceEntry& entry : kDeviceTable) {
        if (entry.maskedId == masked) return entry.name;
    }
    return std::nullopt;
}

std::string DeviceNameForId(std::uint16_t deviceId) {
    return DeviceTableName(deviceId).value_or("18F452");
}

std::optional<DeviceGroup> GroupServing(std::uint16_t deviceId) {
    const std::uint16_t masked = MaskedId(deviceId);
    if (std::find(std::begin(kServedBy452Group), std::end(kServedBy452Group), masked) !=
        std::end(kServedBy452Group)) {
        return DeviceGroup::Pic18F452;
    }
    if (std::find(std::begin(kServedBy4520Group), std::end(kServedBy4520Group), masked) !=
        std::end(kServedBy4520Group)) {
        return DeviceGroup::Pic18F4520;
    }
    return std::nullopt;
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

std::vector<std::string> ProtectionBitsOn(DeviceGroup group, const std::uint8_t* config) {
    const ConfigBytes& mask =
        group == DeviceGroup::Pic18F4520 ? kConfigMask18F4520 : kConfigMask18F452;
    std::vector<std::string> on;
    for (const ProtectionBit& bit : kProtectionBits) {
        if ((mask[static_cast<std::size_t>(bit.byte)] & bit.bit) != 0 &&
            (config[bit.byte] & bit.bit) == 0) {
            on.emplace_back(bit.name);
        }
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
