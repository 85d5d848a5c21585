#pragma once
// The PIC18 device table: every device the programmer knows, with the facts
// its programming sequences, images and checks depend on. The table is data:
// it is read from a text file (the built-in copy of devices/pic18.devices,
// the installed file, and a user's file that may add or override entries).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tamro::devices {

// Configuration bytes 300000h to 30000Dh.
constexpr int kConfigBytes = 14;
using ConfigArray = std::array<std::uint8_t, kConfigBytes>;

// The largest memories a device of the table may have: the images are sized for them.
constexpr std::uint32_t kMaxFlashBytes = 0x10000;
constexpr std::uint32_t kMaxEepromBytes = 0x400;
constexpr std::uint32_t kMaxIdBytes = 8;

// The two sequence families the programmer knows: the erase, write and
// configuration-write sequences of the 18F452 group and of the 18F4520 group.
enum class Family { Pic18F452, Pic18F4520 };

// "18F452" or "18F4520": the group's name, as the data file and the PIC Select buttons name it.
const char* FamilyName(Family family);

// One setting of a configuration field, as the device's CONFIG directive names it.
struct ConfigValue {
    std::uint8_t bits = 0;  // the field's bits, in place (under the field's mask)
    std::string name;       // "HS"
    std::string description;
};
struct ConfigField {
    int offset = 0;  // from 300000h
    std::uint8_t mask = 0;
    std::string name;  // "OSC"
    std::vector<ConfigValue> values;
    bool operator==(const ConfigField& other) const {
        return offset == other.offset && mask == other.mask && name == other.name;
    }
};

struct Device {
    std::string name;  // "18F452"
    // The device ID with its revision bits clear, and the bits that carry the
    // revision (a lookup by ID ignores five low bits, four where the high byte is 0Eh).
    std::uint16_t id = 0;
    std::uint16_t revisionMask = 0x1F;
    Family family = Family::Pic18F452;
    // Empty when the family's sequences program the device; otherwise why it is
    // only identified.
    std::string notServed;
    std::uint32_t flashBytes = 0;
    std::uint32_t eepromBytes = 0;
    std::uint32_t writeBufferBytes = 8;
    std::uint32_t idBytes = 8;
    std::uint32_t bootBlockBytes = 0;
    // The size of the code blocks (the erase, protection and panel unit).
    std::uint32_t codeBlockBytes = 0;
    // The chip erase: one table-write operand to 3C0004h, or two, to 3C0005h
    // and then 3C0004h.
    std::vector<std::uint16_t> chipEraseKeys;
    ConfigArray configMask{};          // the implemented bits (others read 0)
    ConfigArray configUnprogrammed{};  // what an erased device holds
    ConfigArray configStart{};         // the image a device selection starts with
    bool singlePanel = false;          // writes need the single-panel selection at 3C0006h
    bool configGoto = false;           // a GOTO 100000h comes before configuration writes
    bool eepromUnlock = false;         // EEPROM writes need 55h, AAh to EECON2
    bool eeadrh = false;               // the device has EEADRH
    // The Microchip documents the entry's facts come from.
    std::string documents;
    // The configuration fields and their settings' names.
    std::vector<ConfigField> settings;

    bool Served() const { return notServed.empty(); }
    std::uint16_t ProgramWords() const { return static_cast<std::uint16_t>(flashBytes / 2); }
    std::int16_t LastProgramWord() const { return static_cast<std::int16_t>(flashBytes / 2 - 1); }
    bool operator==(const Device&) const = default;
};

// Where a data file went wrong: "FILE:LINE: FIELD: message".
struct TableError {
    std::string file;
    int line = 0;
    std::string field;
    std::string message;
    std::string Text() const;
};

class DeviceTable {
  public:
    DeviceTable() = default;

    // Reads `text` (named `fileName` in errors) over this table: its entries
    // are added, or replace those of the same name. The table is unchanged
    // when the text has an error.
    std::optional<TableError> Read(const std::string& text, const std::string& fileName);

    const std::vector<Device>& Devices() const { return devices_; }
    // By name, with or without the "PIC" prefix, in any case.
    const Device* Find(const std::string& name) const;
    // The entry whose ID matches the device ID read from a target (revision
    // bits and bit 15 ignored).
    const Device* ForId(std::uint16_t deviceId) const;
    // The device a PIC Select button stands for: the family's own device.
    const Device& OfFamily(Family family) const;

  private:
    std::vector<Device> devices_;
    // Entries without an ID: parents to inherit from, not devices.
    std::vector<Device> parents_;
};

// A configuration field as the bytes set it: the setting's name, or the bits
// in hexadecimal when no setting has them.
struct DecodedSetting {
    int offset = 0;
    std::string field;
    std::string value;
    std::string description;
    // A code, write or table-read protection field (CP*, WRT*, EBTR*) that is on.
    bool protectionOn = false;
};
std::vector<DecodedSetting> DecodeConfig(const Device& device, const ConfigArray& config);

// The table built from the data file compiled into the program.
const DeviceTable& BuiltInTable();

// The table every part of the program uses: the built-in one until
// InstallTable gives another (the programs do so once at start).
const DeviceTable& Table();
void InstallTable(DeviceTable table);

// Builds the table from the built-in file and then each of `files` that
// exists, in order. A file with an error is skipped and its error returned;
// the entries of the others stand.
struct LoadedTable {
    DeviceTable table;
    std::vector<TableError> errors;
};
LoadedTable LoadTable(const std::vector<std::string>& files);

// "18F4620" for "PIC18F4620", "pic18f4620" or "18f4620".
std::string NormalName(const std::string& name);

}  // namespace tamro::devices
