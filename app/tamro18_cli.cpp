// tamro18-cli: the panel's operations from the command line, one subcommand
// per operation.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/instrument_cli.h"
#include "common/number_text.h"
#include "images/hex_loader.h"
#include "images/images.h"
#include "instruments/instrument_commands.h"
#include "link/device_listing.h"
#include "programming/cli_commands.h"
#include "programming/device.h"

namespace {

using Arguments = std::span<const std::string>;

struct Command {
    std::string_view name;
    std::string_view usage;
    int (*run)(Arguments arguments);
};

int Usage();

// The images as the panel holds them after its start-up: the default device
// selection's configuration.
tamro::Images StartUpImages() {
    tamro::Images images;
    const tamro::DeviceGroupValues group = tamro::GroupForOption(tamro::kOption452);
    for (std::size_t i = 0; i < group.defaultConfig.size(); ++i) {
        images.config[i] = group.defaultConfig[i];
    }
    images.lastAddress = group.lastAddress;
    return images;
}

// hex FILE [--bin OUT]
int RunHex(Arguments arguments) {
    std::string file;
    std::string binaryOut;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--bin" && i + 1 < arguments.size()) {
            binaryOut = arguments[++i];
        } else if (file.empty() && arguments[i] != "--bin") {
            file = arguments[i];
        } else {
            return Usage();
        }
    }
    if (file.empty()) return Usage();

    tamro::Images images = StartUpImages();
    const tamro::HexLoadOutcome outcome = tamro::HEX_LOAD(file, images);
    if (!outcome.ok) {
        std::cerr << tamro::kFileErrorText << ": " << file << ": " << outcome.errorText << "\n";
        return 1;
    }
    std::cout << "start " << outcome.startAddressText << "\n";
    std::cout << "last " << outcome.lastAddressText << "\n";
    std::cout << "config";
    for (int i = 0; i < 14; ++i) std::cout << ' ' << tamro::HexByte2(images.config[i]);
    std::cout << "\n";

    if (!binaryOut.empty()) {
        std::ofstream out(binaryOut, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(images.program.data()),
                  static_cast<std::streamsize>(images.program.size()));
        out.close();
        if (!out) {
            std::cerr << "Can't write " << binaryOut << "\n";
            return 1;
        }
    }
    return 0;
}

// list: the devices that could be a programmer, with the driver setting of each.
int RunList(Arguments arguments) {
    if (!arguments.empty()) return Usage();
    const std::vector<tamro::ProgrammerCandidate> candidates = tamro::ListProgrammers();
    if (candidates.empty()) {
        std::cout << "No serial port, HID or USB device here could be a programmer.\n";
        return 0;
    }
    std::cout << tamro::ProgrammerListText(candidates);
    return 0;
}

constexpr Command kCommands[] = {
    {"hex", "hex FILE [--bin OUT]   load an Intel HEX file as the panel does", RunHex},
    {"list",
     "list                   devices that could be a programmer: driver setting, access, node",
     RunList},
};

int Usage() {
    std::cerr << "usage: tamro18-cli COMMAND [ARGUMENTS]\n";
    for (const Command& command : kCommands) std::cerr << "  " << command.usage << "\n";
    std::cerr << tamro::ProgrammingUsage();
    std::cerr << tamro::InstrumentUsage();
    return 2;
}

tamro::HexLoadOutcome LoadHex(const std::string& path, tamro::Images& images) {
    return tamro::HEX_LOAD(path, images);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string_view name = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    for (const Command& command : kCommands) {
        if (command.name == name) return command.run(arguments);
    }
    const std::vector<std::string> all(argv + 1, argv + argc);
    if (tamro::IsProgrammingCommand(all[0])) {
        return tamro::RunProgrammingCommand(all, LoadHex, std::cout, std::cerr);
    }
    if (tamro::IsInstrumentCommand(all[0]))
        return tamro::RunInstrumentCli(all, std::cout, std::cerr);
    return Usage();
}
