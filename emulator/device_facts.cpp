#include "emulator/device_facts.h"

namespace tamro::emu {
namespace {

const DeviceFacts kPic18F452{
    Device::Pic18F452,
    Family::Fxx2,
    "18F452",
    0x04,
    0x20,
    0x1F,
    8,
    {0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40},
    {0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40},
    false,
    true,
    true,
    std::chrono::milliseconds(4),
    true,
};

const DeviceFacts kPic18F4520{
    Device::Pic18F4520,
    Family::F2xxx4xxx,
    "18F4520",
    0x10,
    0x80,
    0x0F,
    32,
    {0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40},
    {0x00, 0x07, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40},
    true,
    false,
    false,
    std::chrono::milliseconds(4),
    false,
};

EraseAction FlashRange(std::uint32_t first, std::uint32_t end) {
    EraseAction action;
    action.flash = true;
    action.flashFirst = first;
    action.flashEnd = end;
    return action;
}

EraseAction WholeChip() {
    EraseAction action = FlashRange(0, kFlashSize);
    action.eeprom = action.config = action.id = true;
    return action;
}

}  // namespace

const DeviceFacts& FactsFor(Device device) {
    return device == Device::Pic18F4520 ? kPic18F4520 : kPic18F452;
}

std::optional<EraseAction> EraseForKey(Family family, std::uint8_t high, std::uint8_t low) {
    if (family == Family::Fxx2) {
        switch (low) {
            case 0x80:
                return WholeChip();
            case 0x81: {
                EraseAction action;
                action.eeprom = true;
                return action;
            }
            case 0x83:
                return FlashRange(0, 0x200);
            case 0x88:
            case 0x89:
            case 0x8A:
            case 0x8B: {
                const std::uint32_t panel = low - 0x88u;
                return FlashRange(panel * 0x2000, (panel + 1) * 0x2000);
            }
            default:
                return std::nullopt;
        }
    }
    const std::uint16_t key = static_cast<std::uint16_t>(high << 8 | low);
    switch (key) {
        case 0x0F87:  // 0F0Fh then 8787h, as older revisions give it
        case 0x3F8F:  // 3F3Fh then 8F8Fh, as later revisions give it
            return WholeChip();
        case 0x0084: {
            EraseAction action;
            action.eeprom = true;
            return action;
        }
        case 0x0081:
            return FlashRange(0, 0x800);
        case 0x0082: {
            EraseAction action;
            action.config = true;
            return action;
        }
        case 0x0180:
            return FlashRange(0x800, 0x2000);
        case 0x0280:
            return FlashRange(0x2000, 0x4000);
        case 0x0480:
            return FlashRange(0x4000, 0x6000);
        case 0x0880:
            return FlashRange(0x6000, 0x8000);
        case 0x1080:
        case 0x2080:
            // Blocks 4 and 5 lie beyond this device's 32 KB: a valid key with nothing to clear.
            return EraseAction{};
        default:
            return std::nullopt;
    }
}

std::string DeviceName(Device device) {
    return FactsFor(device).name;
}

std::optional<Device> DeviceFromName(const std::string& name) {
    if (name == "18F452" || name == "PIC18F452") return Device::Pic18F452;
    if (name == "18F4520" || name == "PIC18F4520") return Device::Pic18F4520;
    return std::nullopt;
}

}  // namespace tamro::emu
