#pragma once
// What distinguishes the emulated devices: identification, memory sizes,
// write buffer, configuration masks and erase keys, all taken from the
// device table's entry (devices/pic18.devices).

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "emulator/programmer.h"

namespace tamro::emu {

enum class Family {
    Fxx2,      // PIC18FXX2/XX8 (PIC18F452)
    F2xxx4xxx  // PIC18F2XXX/4XXX (PIC18F4520)
};

constexpr std::uint32_t kIdBase = 0x200000;
constexpr std::uint32_t kIdSize = 8;
constexpr std::uint32_t kConfigBase = 0x300000;
constexpr std::uint32_t kConfigSize = 14;
constexpr std::uint32_t kDevId1Address = 0x3FFFFE;
constexpr std::uint32_t kDevId2Address = 0x3FFFFF;
// Bulk erase control (3C0004h/3C0005h) and the FXX2 panel mode register (3C0006h).
constexpr std::uint32_t kEraseControlLow = 0x3C0004;
constexpr std::uint32_t kEraseControlHigh = 0x3C0005;
constexpr std::uint32_t kPanelModeRegister = 0x3C0006;

// Which memory an erase key clears.
struct EraseAction {
    bool flash = false;
    std::uint32_t flashFirst = 0;
    std::uint32_t flashEnd = 0;  // one past the last byte
    bool eeprom = false;
    bool config = false;
    bool id = false;
};

struct DeviceFacts {
    Device device;
    Family family;
    std::string name;
    std::uint8_t devId2;
    std::uint8_t devId1Base;
    std::uint8_t revisionMask;
    std::uint32_t flashSize;
    std::uint32_t eepromSize;  // 0: no data EEPROM
    std::uint32_t writeBufferSize;
    std::uint32_t bootBlockSize;
    std::uint32_t codeBlockSize;
    std::array<std::uint8_t, kConfigSize> configMask;
    std::array<std::uint8_t, kConfigSize> configDefault;
    bool hasEeadrh;
    bool configNeedsGoto;
    // Data EEPROM writes (EECON1 with EEPGD and CFGS clear, WREN set, then WR):
    // the FXX2 data sheet's write sequence writes 55h then AAh to EECON2 right
    // before BSF EECON1,WR, and WR does nothing without it; the 2XXX/4XXX ICSP
    // sequence (DS39622 Table 3-7) sends no unlock. The write is self-timed (P11A):
    // WR stays set until it is done and the host polls it; leaving programming
    // mode meanwhile loses the byte. Bytes are written whole, not AND-only.
    bool eepromWriteNeedsUnlock;
    std::chrono::microseconds eepromWriteTime;
    // ID locations (200000h-200007h) take the 8-byte flash write at 200000h with
    // EEPGD set and CFGS clear, AND-only like flash. The FXX2 programs them only
    // with single-panel writes selected (DS39576 disables multi-panel writes for
    // them); in multi-panel mode a start-programming write there programs nothing
    // (what silicon does then is not documented: the emulator flags it).
    bool idWriteNeedsSinglePanel;
};

// The facts of a device of the table; a name the table does not know gives the 18F452's.
const DeviceFacts& FactsFor(const Device& device);

// The erase that a key starts: for FXX2 the byte at 3C0004h alone, for
// 2XXX/4XXX the pair 3C0005h:3C0004h. Keys not in the family's table erase nothing.
std::optional<EraseAction> EraseForKey(const DeviceFacts& facts, std::uint8_t high,
                                       std::uint8_t low);

// "18F452" / "18F4520".
std::string DeviceName(const Device& device);
// Any device of the table, by its name with or without "PIC", in any case.
std::optional<Device> DeviceFromName(const std::string& name);

}  // namespace tamro::emu
