#include "app/environment.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "devices/device_table.h"
#include "emulator/device_facts.h"
#include "emulator/state_file.h"

namespace tamro::app {
namespace {

// A set, non-empty value.
std::optional<std::string> Value(const Lookup& lookup, const std::string& name) {
    auto value = lookup(name);
    if (value && value->empty()) return std::nullopt;
    return value;
}

std::optional<double> Number(const Lookup& lookup, const std::string& name,
                             std::ostream& warnings) {
    const auto text = Value(lookup, name);
    if (!text) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text->c_str(), &end);
    if (end == text->c_str() || *end != '\0' || !std::isfinite(value)) {
        warnings << "tamro18 emulator: ignoring " << name << "=" << *text << " (not a number)\n";
        return std::nullopt;
    }
    return value;
}

// 1-based positions from a list such as "3" or "3,7,12"; other text is skipped.
std::set<long> Positions(const Lookup& lookup, const std::string& name) {
    std::set<long> positions;
    const auto value = Value(lookup, name);
    const char* text = value ? value->c_str() : nullptr;
    while (text && *text) {
        char* end = nullptr;
        const long position = std::strtol(text, &end, 10);
        if (end == text) {
            ++text;
            continue;
        }
        if (position > 0) positions.insert(position);
        text = end;
    }
    return positions;
}

std::string FolderOrHome(const Lookup& lookup, const std::string& variable,
                         const std::filesystem::path& underHome) {
    if (auto folder = Value(lookup, variable)) return *folder;
    if (auto home = Value(lookup, "HOME")) {
        return (std::filesystem::path(*home) / underHome).string();
    }
    return "";
}

}  // namespace

Lookup ProcessEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (!value) return std::nullopt;
        return std::string(value);
    };
}

std::vector<std::string> DeviceTableFiles(const Lookup& lookup) {
    std::vector<std::string> files;
    for (const char* name : {"pic18.devices", "pic18-config.devices"}) {
        files.push_back((std::filesystem::path(TAMRO_DEVICES_INSTALLED_FOLDER) / name).string());
    }
    if (const auto own = Value(lookup, "TAMRO18_DEVICES")) {
        files.push_back(*own);
    } else if (const std::string config = ConfigFolder(lookup); !config.empty()) {
        files.push_back((std::filesystem::path(config) / "tamro18" / "devices").string());
    }
    return files;
}

void InstallDeviceTable(const Lookup& lookup, std::ostream& warnings) {
    devices::LoadedTable loaded = devices::LoadTable(DeviceTableFiles(lookup));
    for (const devices::TableError& error : loaded.errors) {
        warnings << "tamro18: device table: " << error.Text() << " (the file is left out)\n";
    }
    devices::InstallTable(std::move(loaded.table));
}

std::string DriverSetting(const Lookup& lookup) {
    return lookup("TAMRO18_DRIVER").value_or("");
}

emu::Options EmulatorOptions(const Lookup& lookup, std::ostream& warnings) {
    emu::Options options;
    if (const auto device = Value(lookup, "TAMRO18_EMULATOR_DEVICE")) {
        if (auto parsed = emu::DeviceFromName(*device)) {
            options.device = *parsed;
        } else {
            warnings << "tamro18 emulator: unknown TAMRO18_EMULATOR_DEVICE=" << *device
                     << ", using 18F452\n";
        }
    }
    if (const auto revision = Number(lookup, "TAMRO18_EMULATOR_REVISION", warnings);
        revision && *revision >= 0 && *revision < 32) {
        options.revision = static_cast<int>(*revision);
    }
    if (const auto state = Value(lookup, "TAMRO18_EMULATOR_STATE")) {
        options.stateFile = *state == "none" ? "" : *state;
    } else {
        options.stateFile = emu::DefaultStateFile(DataFolder(lookup), options.device);
    }
    if (const auto target = Value(lookup, "TAMRO18_EMULATOR_TARGET")) {
        options.targetAttached = *target != "none";
    }
    if (const auto latency = Number(lookup, "TAMRO18_EMULATOR_LATENCY_MS", warnings);
        latency && *latency >= 0 && *latency < 60000) {
        options.latency = std::chrono::microseconds(std::llround(*latency * 1000));
    }
    // Either of the timing model's settings switches it on.
    if (const auto khz = Number(lookup, "TAMRO18_EMULATOR_ICSP_KHZ", warnings);
        khz && *khz >= 1 && *khz <= 100000) {
        options.timing.icspKhz = static_cast<int>(*khz);
        options.timing.realTime = true;
    }
    if (const auto latency = Number(lookup, "TAMRO18_EMULATOR_LINK_LATENCY_MS", warnings);
        latency && *latency >= 0 && *latency < 60000) {
        options.timing.linkLatency = std::chrono::microseconds(std::llround(*latency * 1000));
        options.timing.realTime = true;
    }
    if (const auto hertz = Number(lookup, "TAMRO18_EMULATOR_SIGNAL_HZ", warnings);
        hertz && *hertz >= 0 && *hertz <= 1e7) {
        options.signal.frequencyHz = *hertz;
    }
    if (const auto duty = Number(lookup, "TAMRO18_EMULATOR_SIGNAL_DUTY", warnings);
        duty && *duty > 0 && *duty < 1) {
        options.signal.duty = *duty;
    }
    if (const auto vin = Number(lookup, "TAMRO18_EMULATOR_VIN", warnings)) options.vinVolts = *vin;
    if (const auto sab = Number(lookup, "TAMRO18_EMULATOR_SAB", warnings)) options.sabVolts = *sab;
    return options;
}

DriverOptions BackendOptions(const Lookup& lookup, std::ostream& warnings) {
    DriverOptions options;
    options.emulator = EmulatorOptions(lookup, warnings);
    options.failingWrites = Positions(lookup, "TAMRO18_EMULATOR_FAIL_WRITE");
    options.failingReads = Positions(lookup, "TAMRO18_EMULATOR_FAIL_READ");
    if (const auto text = lookup("TAMRO18_DRIVER_TIMEOUT_MS")) {
        char* end = nullptr;
        const long value = std::strtol(text->c_str(), &end, 10);
        if (end != text->c_str() && *end == '\0' && value > 0 && value <= 600000) {
            options.timeout = std::chrono::milliseconds(value);
        }
    }
    return options;
}

emu::DaemonOptions DaemonDefaults(const Lookup& lookup, std::ostream& warnings) {
    emu::DaemonOptions options;
    options.emulator = EmulatorOptions(lookup, warnings);
    options.stateFileNamed = lookup("TAMRO18_EMULATOR_STATE").has_value();
    options.dataFolder = DataFolder(lookup);
    return options;
}

std::string ConfigFolder(const Lookup& lookup) {
    return FolderOrHome(lookup, "XDG_CONFIG_HOME", ".config");
}

std::string DataFolder(const Lookup& lookup) {
    return FolderOrHome(lookup, "XDG_DATA_HOME", std::filesystem::path(".local") / "share");
}

}  // namespace tamro::app
