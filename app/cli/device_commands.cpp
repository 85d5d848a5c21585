#include "app/cli/device_commands.h"

#include <algorithm>
#include <cstdio>

#include "devices/device_table.h"
#include "images/hex_loader.h"
#include "images/images.h"
#include "programming/device.h"

namespace tamro::cli {

CommandResult RunDevices(const Invocation& invocation) {
    if (!invocation.words.empty()) {
        return CliFailure{FailureKind::Usage, "devices takes no arguments", {}};
    }
    char line[160];
    std::snprintf(line, sizeof line, "%-9s %-5s %-8s %6s %6s %6s  %s\n", "device", "ID", "family",
                  "flash", "EEPROM", "buffer", "programmed");
    invocation.out << line;
    for (const devices::Device& d : devices::Table().Devices()) {
        std::snprintf(line, sizeof line, "%-9s %04X  %-8s %6u %6u %6u  ", d.name.c_str(), d.id,
                      devices::FamilyName(d.family), d.flashBytes, d.eepromBytes,
                      d.writeBufferBytes);
        const std::optional<std::string> whyNot = WhyNotProgrammed(d);
        invocation.out << line << (whyNot ? "no: " + *whyNot : "yes (" + d.documents + ")") << '\n';
    }
    return std::nullopt;
}

CommandResult RunConfig(const Invocation& invocation) {
    if (invocation.words.size() != 1 || invocation.words.front().starts_with("--")) {
        return CliFailure{FailureKind::Usage, "config needs one file name", {}};
    }
    const std::string& file = invocation.words.front();
    const std::string name = invocation.global.device.value_or("18F452");
    const devices::Device* device = devices::Table().Find(name);
    if (!device) {
        return CliFailure{FailureKind::Usage,
                          "unknown device " + name + " (tamro18-cli devices lists the table)",
                          {}};
    }
    // Bytes the file leaves out keep the device's starting configuration, as in the panel.
    const DeviceGroupValues values = ValuesForDevice(*device);
    Images images;
    FitImagesToDevice(images, values);
    std::copy(values.defaultConfig.begin(), values.defaultConfig.end(), images.config.begin());
    const HexLoadOutcome outcome = HEX_LOAD(file, images);
    if (!outcome.ok) return FileFailure(FileUse::Load, file, outcome.errorText);
    devices::ConfigArray config{};
    std::copy_n(images.config.begin(), config.size(), config.begin());
    invocation.out << device->name << " configuration of " << file << '\n';
    for (const devices::DecodedSetting& s : devices::DecodeConfig(*device, config)) {
        char line[64];
        std::snprintf(line, sizeof line, "%06X %-8s = %-8s ", 0x300000 + s.offset, s.field.c_str(),
                      s.value.c_str());
        invocation.out << line << s.description << (s.protectionOn ? "  [protection on]" : "")
                       << '\n';
    }
    return std::nullopt;
}

}  // namespace tamro::cli
