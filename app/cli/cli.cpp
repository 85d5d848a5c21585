#include "app/cli/cli.h"

#include <fstream>
#include <span>
#include <string_view>

#include "app/cli/device_commands.h"
#include "app/cli/instrument_cli.h"
#include "app/cli/programming_commands.h"
#include "common/arguments.h"
#include "common/number_text.h"
#include "images/checksum.h"
#include "images/config_display.h"
#include "images/hex_loader.h"
#include "images/images.h"
#include "instruments/instrument_commands.h"
#include "link/device_listing.h"
#include "programming/device.h"

namespace tamro::cli {
namespace {

using Arguments = std::span<const std::string>;

struct Command {
    std::string_view name;
    std::string_view usage;
    int (*run)(Arguments arguments, std::ostream& out, std::ostream& err);
};

int Usage(std::ostream& err);

// The images as the panel holds them after its start-up: the default device
// selection's configuration.
Images StartUpImages(int option) {
    Images images;
    const DeviceGroupValues group = GroupForOption(option);
    for (std::size_t i = 0; i < group.defaultConfig.size(); ++i) {
        images.config[i] = group.defaultConfig[i];
    }
    images.lastAddress = group.lastAddress;
    return images;
}

// hex FILE [--bin OUT] [--device 18F452|18F4520]
int RunHex(Arguments arguments, std::ostream& out, std::ostream& err) {
    std::string file;
    std::string binaryOut;
    int option = kOption452;
    const ArgumentRules rules{{{"--bin", {}, [&](const std::string& value) { binaryOut = value; }},
                               {"--device",
                                {},
                                [&](const std::string& value) {
                                    const devices::Device* device = devices::Table().Find(value);
                                    if (!device) throw ArgumentError{"unknown device " + value};
                                    option = OptionOfGroup(GroupOfFamily(device->family));
                                }}},
                              [&](const std::string& word) {
                                  if (!file.empty()) throw ArgumentError{"one file"};
                                  file = word;
                              }};
    if (ParseArguments(arguments, rules) || file.empty()) return Usage(err);

    Images images = StartUpImages(option);
    const HexLoadOutcome outcome = HEX_LOAD(file, images);
    if (!outcome.ok) {
        err << kFileErrorText << ": " << file << ": " << outcome.errorText << "\n";
        return kExitFile;
    }
    out << "start " << outcome.startAddressText << "\n";
    out << "last " << outcome.lastAddressText << "\n";
    out << "config";
    for (int i = 0; i < kConfigBoxes; ++i) out << ' ' << HexByte2(images.config[i]);
    out << "\n";
    out << "checksum " << ChecksumText(ImageChecksum(images, GroupForOption(option).configMask))
        << "\n";

    if (!binaryOut.empty()) {
        std::ofstream binary(binaryOut, std::ios::binary | std::ios::trunc);
        binary.write(reinterpret_cast<const char*>(images.program.data()),
                     static_cast<std::streamsize>(images.program.size()));
        binary.close();
        if (!binary) {
            err << "Can't write " << binaryOut << "\n";
            return kExitFile;
        }
    }
    return 0;
}

// list: the devices that could be a programmer, with the driver setting of each.
int RunList(Arguments arguments, std::ostream& out, std::ostream& err) {
    if (!arguments.empty()) return Usage(err);
    const std::vector<ProgrammerCandidate> candidates = ListProgrammers();
    if (candidates.empty()) {
        out << "No serial port, HID or USB device here could be a programmer.\n";
        return 0;
    }
    out << ProgrammerListText(candidates);
    return 0;
}

constexpr Command kCommands[] = {
    {"hex", "hex FILE [--bin OUT] [--device D]   load an Intel HEX file as the panel does", RunHex},
    {"devices", "devices                the device table: ID, family, sizes, programmed or why not",
     RunDevices},
    {"config", "config FILE [--device D]   the configuration a HEX file sets, by name", RunConfig},
    {"list",
     "list                   devices that could be a programmer: driver setting, access, node",
     RunList},
};

int Usage(std::ostream& err) {
    err << "usage: tamro18-cli COMMAND [ARGUMENTS]\n";
    for (const Command& command : kCommands) err << "  " << command.usage << "\n";
    err << ProgrammingUsage();
    err << InstrumentUsage();
    return kExitUsage;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment,
           std::ostream& out, std::ostream& err) {
    if (args.empty()) return Usage(err);
    if (args[0] == "--help" || args[0] == "-h") {
        Usage(out);
        return kExitSuccess;
    }
    if (args[0] == "--version") {
        out << "tamro18-cli " << TAMRO_VERSION_TEXT << "\n";
        return kExitSuccess;
    }
    for (const Command& command : kCommands) {
        if (command.name == args[0]) return command.run(Arguments(args).subspan(1), out, err);
    }
    if (IsProgrammingCommand(args[0])) {
        return RunProgrammingCommand(args, environment, out, err);
    }
    if (IsInstrumentCommand(args[0])) return RunInstrumentCli(args, environment, out, err);
    return Usage(err);
}

}  // namespace tamro::cli
