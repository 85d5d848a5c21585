#include "devices/device_table.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

namespace tamro::devices {

// The text of devices/pic18.devices and devices/pic18-config.devices, compiled in.
extern const char* const kBuiltInDeviceFiles[];
extern const char* const kBuiltInDeviceFileNames[];

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::optional<std::uint32_t> Number(const std::string& text, int base, std::uint32_t limit) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        int digit;
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digit = c - '0';
        } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
            digit = std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    }
    if (value > limit) return std::nullopt;
    return value;
}

struct Reader {
    const std::string& fileName;
    int line = 0;
    std::optional<TableError> error;
    // Whether the entry being read has given settings of its own yet (its
    // first one replaces those it took over).
    bool ownSettings = false;

    bool Fail(const std::string& field, const std::string& message) {
        if (!error) error = TableError{fileName, line, field, message};
        return false;
    }
};

// Sets one field of `device` from its text; false (with the reader's error) when it is not valid.
bool SetField(Device& device, const std::string& field, const std::string& value, Reader& reader) {
    auto size = [&](std::uint32_t& out, std::uint32_t limit) {
        const auto n = Number(value, 10, limit);
        if (!n)
            return reader.Fail(field, "expected a number of bytes 0 to " + std::to_string(limit) +
                                          ", not \"" + value + "\"");
        out = *n;
        return true;
    };
    auto hex16 = [&](std::uint16_t& out) {
        const auto n = Number(value, 16, 0xFFFF);
        if (!n)
            return reader.Fail(field, "expected 1 to 4 hexadecimal digits, not \"" + value + "\"");
        out = static_cast<std::uint16_t>(*n);
        return true;
    };
    auto flag = [&](bool& out) {
        if (value != "yes" && value != "no") {
            return reader.Fail(field, "expected yes or no, not \"" + value + "\"");
        }
        out = value == "yes";
        return true;
    };
    auto bytes = [&](ConfigArray& out) {
        const std::vector<std::string> words = Words(value);
        if (words.size() != out.size()) {
            return reader.Fail(field, "expected 14 hexadecimal bytes (300000h to 30000Dh)");
        }
        for (std::size_t i = 0; i < out.size(); ++i) {
            const auto n = Number(words[i], 16, 0xFF);
            if (!n) return reader.Fail(field, "\"" + words[i] + "\" is not a hexadecimal byte");
            out[i] = static_cast<std::uint8_t>(*n);
        }
        return true;
    };
    if (field == "family") {
        if (value == FamilyName(Family::Pic18F452)) {
            device.family = Family::Pic18F452;
        } else if (value == FamilyName(Family::Pic18F4520)) {
            device.family = Family::Pic18F4520;
        } else {
            return reader.Fail(field, "expected 18F452 or 18F4520, not \"" + value + "\"");
        }
        return true;
    }
    if (field == "id") return hex16(device.id);
    if (field == "revision-mask") return hex16(device.revisionMask);
    if (field == "flash") {
        if (!size(device.flashBytes, kMaxFlashBytes)) return false;
        if (device.flashBytes % 2 != 0) return reader.Fail(field, "expected an even size");
        return true;
    }
    if (field == "eeprom") return size(device.eepromBytes, kMaxEepromBytes);
    if (field == "write-buffer") {
        if (!size(device.writeBufferBytes, 64)) return false;
        const std::uint32_t b = device.writeBufferBytes;
        if (b < 2 || (b & (b - 1)) != 0) {
            return reader.Fail(field, "expected 2, 4, 8, 16, 32 or 64, not \"" + value + "\"");
        }
        return true;
    }
    if (field == "id-locations") return size(device.idBytes, kMaxIdBytes);
    if (field == "boot-block") return size(device.bootBlockBytes, kMaxFlashBytes);
    if (field == "code-block") return size(device.codeBlockBytes, kMaxFlashBytes);
    if (field == "chip-erase") {
        const std::vector<std::string> words = Words(value);
        if (words.empty() || words.size() > 2) {
            return reader.Fail(field, "expected one or two hexadecimal operands");
        }
        std::vector<std::uint16_t> keys;
        for (const std::string& word : words) {
            const auto n = Number(word, 16, 0xFFFF);
            if (!n) return reader.Fail(field, "\"" + word + "\" is not a hexadecimal operand");
            keys.push_back(static_cast<std::uint16_t>(*n));
        }
        device.chipEraseKeys = std::move(keys);
        return true;
    }
    if (field == "single-panel") return flag(device.singlePanel);
    if (field == "config-goto") return flag(device.configGoto);
    if (field == "eeprom-unlock") return flag(device.eepromUnlock);
    if (field == "eeadrh") return flag(device.eeadrh);
    if (field == "config-mask") return bytes(device.configMask);
    if (field == "config-unprogrammed") return bytes(device.configUnprogrammed);
    if (field == "config-start") return bytes(device.configStart);
    if (field == "not-served") {
        device.notServed = value;
        return true;
    }
    if (field == "documents") {
        device.documents = value;
        return true;
    }
    if (field == "setting") {
        // setting = ADDRESS FIELD-MASK VALUE FIELD VALUE-NAME description...
        std::istringstream in(value);
        std::string address, mask, bits, name, valueName;
        in >> address >> mask >> bits >> name >> valueName;
        const auto a = Number(address, 16, 0x30000D);
        const auto m = Number(mask, 16, 0xFF);
        const auto v = Number(bits, 16, 0xFF);
        if (!a || *a < 0x300000 || !m || !v || valueName.empty()) {
            return reader.Fail(field, "expected ADDRESS MASK VALUE FIELD NAME [description]");
        }
        std::string description;
        std::getline(in, description);
        const int offset = static_cast<int>(*a - 0x300000);
        if (!reader.ownSettings) device.settings.clear();
        reader.ownSettings = true;
        auto it = std::find_if(device.settings.begin(), device.settings.end(),
                               [&](const ConfigField& f) { return f.name == name; });
        if (it == device.settings.end()) {
            device.settings.push_back(ConfigField{offset, static_cast<std::uint8_t>(*m), name, {}});
            it = device.settings.end() - 1;
        }
        it->values.push_back(
            ConfigValue{static_cast<std::uint8_t>(*v), valueName, Trim(description)});
        return true;
    }
    return reader.Fail(field, "unknown field");
}

// CP0..CP3, CPB, CPD, WRT0..WRT3, WRTB, WRTC, WRTD, EBTR0..EBTR3, EBTRB.
bool IsProtectionField(const std::string& name) {
    for (const char* prefix : {"CP", "WRT", "EBTR"}) {
        const std::string p = prefix;
        if (name.size() == p.size() + 1 && name.rfind(p, 0) == 0 &&
            std::string("0123BCD").find(name.back()) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// What an entry must hold to be programmed.
bool CheckEntry(const Device& device, Reader& reader) {
    if (!device.Served()) return true;
    if (device.flashBytes == 0) return reader.Fail("flash", device.name + " has no flash size");
    if (device.flashBytes % device.writeBufferBytes != 0) {
        return reader.Fail("write-buffer", device.name + ": the flash is not whole write buffers");
    }
    if (device.chipEraseKeys.empty()) {
        return reader.Fail("chip-erase", device.name + " has no chip erase");
    }
    return true;
}

}  // namespace

std::vector<DecodedSetting> DecodeConfig(const Device& device, const ConfigArray& config) {
    std::vector<DecodedSetting> decoded;
    for (const ConfigField& field : device.settings) {
        if (field.offset < 0 || field.offset >= kConfigBytes) continue;
        const std::uint8_t bits = config[static_cast<std::size_t>(field.offset)] & field.mask;
        DecodedSetting setting{field.offset, field.name, "", "", false};
        for (const ConfigValue& value : field.values) {
            if ((value.bits & field.mask) == bits) {
                setting.value = value.name;
                setting.description = value.description;
                break;
            }
        }
        if (setting.value.empty()) {
            static const char* const kDigits = "0123456789ABCDEF";
            setting.value = std::string("bits ") + kDigits[bits >> 4] + kDigits[bits & 0xF];
        }
        setting.protectionOn = IsProtectionField(field.name) && setting.value == "ON";
        decoded.push_back(std::move(setting));
    }
    return decoded;
}

const char* FamilyName(Family family) {
    return family == Family::Pic18F4520 ? "18F4520" : "18F452";
}

std::string TableError::Text() const {
    std::string text = file + ":" + std::to_string(line) + ": ";
    if (!field.empty()) text += field + ": ";
    return text + message;
}

std::string NormalName(const std::string& name) {
    std::string upper;
    for (const char c : Trim(name))
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.rfind("PIC", 0) == 0) upper.erase(0, 3);
    return upper;
}

std::optional<TableError> DeviceTable::Read(const std::string& text, const std::string& fileName) {
    std::vector<Device> devices = devices_;
    std::vector<Device> parents = parents_;
    auto findIn = [](std::vector<Device>& list, const std::string& name) -> Device* {
        for (Device& d : list) {
            if (d.name == name) return &d;
        }
        return nullptr;
    };
    Reader reader{fileName, 0, std::nullopt, false};
    std::optional<Device> entry;
    int entryLine = 0;
    auto finish = [&]() {
        if (!entry) return true;
        const int line = reader.line;
        reader.line = entryLine;
        const bool isDevice = entry->id != 0;
        if (isDevice && !CheckEntry(*entry, reader)) return false;
        reader.line = line;
        std::vector<Device>& list = isDevice ? devices : parents;
        if (Device* existing = findIn(list, entry->name)) {
            *existing = *entry;
        } else {
            list.push_back(*entry);
        }
        entry.reset();
        return true;
    };
    std::istringstream in(text);
    for (std::string raw; std::getline(in, raw);) {
        ++reader.line;
        const auto hash = raw.find('#');
        const std::string line = Trim(hash == std::string::npos ? raw : raw.substr(0, hash));
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (!finish()) return reader.error;
            if (line.back() != ']') {
                reader.Fail("", "an entry starts with [NAME] or [NAME : PARENT]");
                return reader.error;
            }
            const std::string header = line.substr(1, line.size() - 2);
            const auto colon = header.find(':');
            const std::string name = NormalName(header.substr(0, colon));
            if (name.empty()) {
                reader.Fail("", "an entry needs a name");
                return reader.error;
            }
            entryLine = reader.line;
            reader.ownSettings = false;
            if (colon != std::string::npos) {
                const std::string parentName = NormalName(header.substr(colon + 1));
                Device* parent = findIn(devices, parentName);
                if (!parent) parent = findIn(parents, parentName);
                if (!parent) {
                    reader.Fail("", "no entry " + parentName + " to inherit from");
                    return reader.error;
                }
                entry = *parent;
                entry->id = 0;
            } else if (Device* existing = findIn(devices, name)) {
                entry = *existing;
            } else if (Device* existingParent = findIn(parents, name)) {
                entry = *existingParent;
            } else {
                entry = Device{};
            }
            entry->name = name;
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            reader.Fail("", "expected \"field = value\" or [NAME]");
            return reader.error;
        }
        const std::string field = Trim(line.substr(0, equals));
        if (!entry) {
            reader.Fail(field, "a field before the first [NAME]");
            return reader.error;
        }
        if (!SetField(*entry, field, Trim(line.substr(equals + 1)), reader)) return reader.error;
    }
    if (!finish()) return reader.error;
    devices_ = std::move(devices);
    parents_ = std::move(parents);
    return std::nullopt;
}

const Device* DeviceTable::Find(const std::string& name) const {
    const std::string wanted = NormalName(name);
    for (const Device& d : devices_) {
        if (d.name == wanted) return &d;
    }
    return nullptr;
}

const Device* DeviceTable::ForId(std::uint16_t deviceId) const {
    // Bit 15 and the revision bits do not name the device: five revision bits,
    // four where the high byte is 0Eh.
    const std::uint16_t mask = (deviceId >> 8) == 0x0E ? 0x7FF0 : 0x7FE0;
    for (const Device& d : devices_) {
        if ((deviceId & mask) == d.id) return &d;
    }
    return nullptr;
}

const Device& DeviceTable::OfFamily(Family family) const {
    if (const Device* own = Find(FamilyName(family)); own && own->family == family) return *own;
    return *BuiltInTable().Find(FamilyName(family));
}

const DeviceTable& BuiltInTable() {
    static const DeviceTable table = [] {
        DeviceTable built;
        for (int i = 0; kBuiltInDeviceFiles[i] != nullptr; ++i) {
            // The build checks these files; an error here is a broken build.
            if (built.Read(kBuiltInDeviceFiles[i], kBuiltInDeviceFileNames[i])) std::abort();
        }
        return built;
    }();
    return table;
}

namespace {
DeviceTable& Installed() {
    static DeviceTable table = BuiltInTable();
    return table;
}
}  // namespace

const DeviceTable& Table() {
    return Installed();
}

void InstallTable(DeviceTable table) {
    Installed() = std::move(table);
}

LoadedTable LoadTable(const std::vector<std::string>& files) {
    LoadedTable loaded{BuiltInTable(), {}};
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) continue;
        std::ostringstream text;
        text << in.rdbuf();
        if (auto error = loaded.table.Read(text.str(), file)) loaded.errors.push_back(*error);
    }
    return loaded;
}

}  // namespace tamro::devices
