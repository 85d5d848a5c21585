#include "emulator/device_facts.h"

#include <map>
#include <memory>
#include <mutex>

#include "devices/device_table.h"

namespace tamro::emu {
namespace {

DeviceFacts FromEntry(const devices::Device& entry) {
    const bool fxx2 = entry.family == devices::Family::Pic18F452;
    DeviceFacts facts{};
    facts.device = Device{entry.name};
    facts.family = fxx2 ? Family::Fxx2 : Family::F2xxx4xxx;
    facts.name = entry.name;
    facts.devId2 = static_cast<std::uint8_t>(entry.id >> 8);
    facts.devId1Base = static_cast<std::uint8_t>(entry.id & 0xFF);
    facts.revisionMask = static_cast<std::uint8_t>(entry.revisionMask);
    facts.flashSize = entry.flashBytes;
    facts.eepromSize = entry.eepromBytes;
    facts.writeBufferSize = entry.writeBufferBytes;
    facts.bootBlockSize = entry.bootBlockBytes;
    facts.codeBlockSize = entry.codeBlockBytes;
    facts.configMask = entry.configMask;
    for (std::size_t i = 0; i < kConfigSize; ++i) {
        facts.configDefault[i] = entry.configUnprogrammed[i] & entry.configMask[i];
    }
    facts.hasEeadrh = entry.eeadrh;
    facts.configNeedsGoto = entry.configGoto;
    facts.eepromWriteNeedsUnlock = entry.eepromUnlock;
    facts.eepromWriteTime = std::chrono::milliseconds(4);
    facts.idWriteNeedsSinglePanel = entry.singlePanel;
    return facts;
}

EraseAction FlashRange(std::uint32_t first, std::uint32_t end) {
    EraseAction action;
    action.flash = true;
    action.flashFirst = first;
    action.flashEnd = end;
    return action;
}

EraseAction WholeChip(const DeviceFacts& facts) {
    EraseAction action = FlashRange(0, facts.flashSize);
    action.eeprom = action.config = action.id = true;
    return action;
}

// Code block n: from the end of the boot block (block 0) or the block's start.
EraseAction CodeBlock(const DeviceFacts& facts, std::uint32_t n) {
    const std::uint32_t first = n == 0 ? facts.bootBlockSize : n * facts.codeBlockSize;
    // A block beyond the device's flash is a valid key with nothing to clear.
    if (first >= facts.flashSize) return EraseAction{};
    return FlashRange(first, std::min((n + 1) * facts.codeBlockSize, facts.flashSize));
}

}  // namespace

const DeviceFacts& FactsFor(const Device& device) {
    // Built once per device and kept: targets hold references to them.
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<DeviceFacts>> built;
    const std::lock_guard<std::mutex> lock(mutex);
    const devices::Device* entry = devices::Table().Find(device.name);
    if (!entry || !entry->Served()) entry = devices::Table().Find("18F452");
    if (!entry) entry = devices::BuiltInTable().Find("18F452");
    auto& facts = built[entry->name];
    DeviceFacts fresh = FromEntry(*entry);
    // A table installed later may change an entry: the facts follow it.
    if (!facts) {
        facts = std::make_unique<DeviceFacts>(fresh);
    } else if (facts->flashSize != fresh.flashSize || facts->eepromSize != fresh.eepromSize ||
               facts->configMask != fresh.configMask ||
               facts->writeBufferSize != fresh.writeBufferSize) {
        *facts = fresh;
    }
    return *facts;
}

std::optional<EraseAction> EraseForKey(const DeviceFacts& facts, std::uint8_t high,
                                       std::uint8_t low) {
    if (facts.family == Family::Fxx2) {
        switch (low) {
            case 0x80:
                return WholeChip(facts);
            case 0x81: {
                EraseAction action;
                action.eeprom = true;
                return action;
            }
            case 0x83:
                return FlashRange(0, facts.bootBlockSize);
            case 0x88:
            case 0x89:
            case 0x8A:
            case 0x8B: {
                // Panels 1 to 4, one code block each.
                const std::uint32_t panel = low - 0x88u;
                const std::uint32_t first = panel * facts.codeBlockSize;
                if (first >= facts.flashSize) return EraseAction{};
                return FlashRange(first, first + facts.codeBlockSize);
            }
            default:
                return std::nullopt;
        }
    }
    const std::uint16_t key = static_cast<std::uint16_t>(high << 8 | low);
    switch (key) {
        case 0x0F87:  // 0F0Fh then 8787h, as older revisions give it
        case 0x3F8F:  // 3F3Fh then 8F8Fh, as later revisions give it
            return WholeChip(facts);
        case 0x0084: {
            EraseAction action;
            action.eeprom = true;
            return action;
        }
        case 0x0081:
            return FlashRange(0, facts.bootBlockSize);
        case 0x0082: {
            EraseAction action;
            action.config = true;
            return action;
        }
        case 0x0180:
            return CodeBlock(facts, 0);
        case 0x0280:
            return CodeBlock(facts, 1);
        case 0x0480:
            return CodeBlock(facts, 2);
        case 0x0880:
            return CodeBlock(facts, 3);
        case 0x1080:
            return CodeBlock(facts, 4);
        case 0x2080:
            return CodeBlock(facts, 5);
        default:
            return std::nullopt;
    }
}

std::string DeviceName(const Device& device) {
    return FactsFor(device).name;
}

std::optional<Device> DeviceFromName(const std::string& name) {
    const devices::Device* entry = devices::Table().Find(name);
    if (!entry || !entry->Served()) return std::nullopt;
    return Device{entry->name};
}

}  // namespace tamro::emu
