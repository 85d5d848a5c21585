#include "app/cli/device_commands.h"

#include <cstdio>
#include <ostream>

#include "app/cli/programming_commands.h"
#include "common/arguments.h"
#include "common/number_text.h"
#include "devices/device_table.h"
#include "images/hex_loader.h"
#include "images/images.h"
#include "programming/device.h"

namespace tamro::cli {

int RunDevices(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    if (!arguments.empty()) {
        err << "devices takes no arguments\n";
        return kExitUsage;
    }
    char line[160];
    std::snprintf(line, sizeof line, "%-9s %-5s %-8s %6s %6s %6s  %s\n", "device", "ID", "family",
                  "flash", "EEPROM", "buffer", "programmed");
    out << line;
    for (const devices::Device& d : devices::Table().Devices()) {
        std::snprintf(line, sizeof line, "%-9s %04X  %-8s %6u %6u %6u  ", d.name.c_str(), d.id,
                      devices::FamilyName(d.family), d.flashBytes, d.eepromBytes,
                      d.writeBufferBytes);
        out << line << (d.Served() ? "yes (" + d.documents + ")" : "no: " + d.notServed) << '\n';
    }
    return kExitSuccess;
}

int RunConfig(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    std::string file;
    std::string deviceName = "18F452";
    const ArgumentRules rules{{{"--device", {}, [&](const std::string& v) { deviceName = v; }}},
                              [&](const std::string& word) {
                                  if (!file.empty()) throw ArgumentError{"config takes one file"};
                                  file = word;
                              }};
    if (auto refused = ParseArguments(arguments, rules)) {
        err << *refused << '\n';
        return kExitUsage;
    }
    if (file.empty()) {
        err << "config needs one file name\n";
        return kExitUsage;
    }
    const devices::Device* device = devices::Table().Find(deviceName);
    if (!device) {
        err << "unknown device " << deviceName << " (tamro18-cli devices lists them)\n";
        return kExitUsage;
    }
    // The bytes the file leaves out keep the device's starting configuration, as in the panel.
    const DeviceGroupValues values = ValuesForDevice(*device);
    Images images;
    std::copy(values.defaultConfig.begin(), values.defaultConfig.end(), images.config.begin());
    const HexLoadOutcome outcome = HEX_LOAD(file, images);
    if (!outcome.ok) {
        err << kFileErrorText << ": " << file << ": " << outcome.errorText << '\n';
        return kExitFile;
    }
    devices::ConfigArray config{};
    std::copy_n(images.config.begin(), config.size(), config.begin());
    out << device->name << " configuration of " << file << '\n';
    for (const devices::DecodedSetting& s : devices::DecodeConfig(*device, config)) {
        char line[64];
        std::snprintf(line, sizeof line, "%06X %-8s = %-8s ", 0x300000 + s.offset, s.field.c_str(),
                      s.value.c_str());
        out << line << s.description << (s.protectionOn ? "  [protection on]" : "") << '\n';
    }
    return kExitSuccess;
}

}  // namespace tamro::cli
