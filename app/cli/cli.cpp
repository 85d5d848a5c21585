#include "app/cli/cli.h"

#include <cerrno>
#include <span>
#include <string_view>

#include "app/cli/cli_command.h"
#include "app/cli/device_commands.h"
#include "app/cli/instrument_cli.h"
#include "app/cli/programming_commands.h"
#include "common/arguments.h"
#include "common/file_io.h"
#include "common/number_text.h"
#include "images/checksum.h"
#include "images/config_display.h"
#include "images/hex_loader.h"
#include "images/images.h"
#include "link/device_listing.h"
#include "programming/device.h"
#include "programming/programmer_choice.h"

namespace tamro::cli {
namespace {

// The images as the panel holds them after its start-up with the device
// selected: its sizes and starting configuration.
Images StartUpImages(const DeviceGroupValues& device) {
    Images images;
    for (std::size_t i = 0; i < device.defaultConfig.size(); ++i) {
        images.config[i] = device.defaultConfig[i];
    }
    FitImagesToDevice(images, device);
    return images;
}

// hex FILE [--bin OUT]: everything is done before anything is printed, so
// that a failure prints nothing but its reason.
CommandResult RunHex(const Invocation& invocation) {
    std::vector<std::string> files;
    std::string binaryOut;
    const ArgumentRules rules{{{"--bin",
                                {},
                                [&](const std::string& value) -> ArgumentRefusal {
                                    binaryOut = value;
                                    return std::nullopt;
                                }}},
                              [&](const std::string& word) -> ArgumentRefusal {
                                  if (word.starts_with("--")) return "unknown option " + word;
                                  files.push_back(word);
                                  return std::nullopt;
                              }};
    if (ArgumentRefusal refused = ParseArguments(invocation.words, rules)) {
        return CliFailure{FailureKind::Usage, *refused, {}};
    }
    if (files.size() != 1) return CliFailure{FailureKind::Usage, "hex needs one file name", {}};
    DeviceGroupValues device = GroupForOption(kOption452);
    if (invocation.global.device) {
        if (!DeviceGroupNamed(*invocation.global.device)) {
            return UnknownDevice(*invocation.global.device);
        }
        device = ValuesForDevice(*devices::Table().Find(*invocation.global.device));
    }
    const std::string& file = files.front();
    Images images = StartUpImages(device);
    const HexLoadOutcome outcome = HEX_LOAD(file, images);
    if (!outcome.ok) return FileFailure(FileUse::Load, file, outcome.errorText);
    if (!binaryOut.empty()) {
        const std::string_view bytes(reinterpret_cast<const char*>(images.program.data()),
                                     static_cast<std::size_t>(images.flashBytes));
        const FileResult written = WriteFileAtomically(binaryOut, bytes);
        if (!written.ok()) return FileFailure(FileUse::Write, binaryOut, written.reason);
    }
    std::ostream& out = invocation.out;
    out << "start " << outcome.startAddressText << "\n";
    out << "last " << outcome.lastAddressText << "\n";
    out << "config";
    for (int i = 0; i < kConfigBoxes; ++i) out << ' ' << HexByte2(images.config[i]);
    out << "\n";
    out << "checksum " << ChecksumText(ImageChecksum(images, device.configMask)) << "\n";
    return std::nullopt;
}

// list: the programmers the panel's programmer dialog offers, the emulated
// one first, with the driver setting of each.
CommandResult RunList(const Invocation& invocation) {
    if (!invocation.words.empty()) {
        return CliFailure{FailureKind::Usage, "list takes no arguments", {}};
    }
    for (const ProgrammerChoice& choice : ProgrammerChoices(ListProgrammers())) {
        invocation.out << choice.text << '\n';
    }
    return std::nullopt;
}

// Every subcommand: usage, help and dispatch come from this table.
const CliCommand kCommands[] = {
    {"id", "", "name the chip on the programmer", RunId},
    {"write", "FILE", "write FILE to the chip and verify it", RunWrite},
    {"verify", "FILE", "compare the chip with FILE", RunVerify},
    {"erase", "", "erase the whole chip", RunErase},
    {"blank-check", "", "say for each region whether it is erased", RunBlankCheck},
    {"read", "OUT.hex [--last X] [--flash-only]",
     "the whole chip into a HEX file (--last: flash end)", RunRead},
    {"read-eeprom", "OUT.bin", "the data EEPROM into a binary file", RunReadEeprom},
    {"hex", "FILE [--bin OUT]", "check a HEX file, print its checksum", RunHex},
    {"list", "", "the programmers and their driver settings", RunList},
    {"devices", "", "the device table: ID, family, sizes, programmed or why not", RunDevices},
    {"config", "FILE", "the configuration a HEX file sets, by name", RunConfig},
    {"volts", "[--channel vpp|sab|vin]", "read a voltage", RunInstrument},
    {"freq", "[--gate 100ms|1s|auto]", "count the logic input's frequency", RunInstrument},
    {"count", "reset|start|stop|read", "the event counter", RunInstrument},
    {"capture", "[--sample-time 0-100] [--edge pos|neg] [--vcd FILE] [--csv FILE]",
     "capture 480 samples of the logic input", RunInstrument},
};

// The options every subcommand takes, with their usage lines.
struct GlobalOption {
    std::string_view name;
    std::string_view value;  // "" for a flag
    std::string_view help;
};
constexpr GlobalOption kGlobalOptions[] = {
    {"--driver", "SETTING", "the programmer, as `list` names it"},
    {"--device", "NAME", "a device of the table, e.g. 18F4620 (default: the panel's group)"},
    {"--trace", "FILE", "write every exchange to FILE"},
    {"--force", "", "go on with a chip no group is known to serve"},
    {"--allow-protect", "", "write a configuration that protects the chip"},
    {"--quiet", "", "print results and failures only"},
    {"--verbose", "", "add the exchange count and the driver's texts"},
    {"--help", "", "this text"},
    {"--version", "", "the version"},
};

std::string Row(std::string left, std::string_view help) {
    constexpr std::size_t kColumn = 36;
    left = "  " + left;
    if (left.size() + 2 > kColumn)
        return left + "\n" + std::string(kColumn, ' ') + std::string(help);
    left.resize(kColumn, ' ');
    return left + std::string(help);
}

std::string UsageText() {
    std::string text = "usage: tamro18-cli COMMAND [ARGUMENTS], options before or after it\n\n";
    for (const CliCommand& command : kCommands) {
        std::string left(command.name);
        if (!command.arguments.empty()) left += " " + std::string(command.arguments);
        text += Row(left, command.help) + "\n";
    }
    text += "  (volts, freq, count and capture also take --repeat N and --interval MS)\n\n";
    text += "options:\n";
    for (const GlobalOption& option : kGlobalOptions) {
        std::string left(option.name);
        if (!option.value.empty()) left += " " + std::string(option.value);
        text += Row(left, option.help) + "\n";
    }
    text +=
        "\nexit status: 0 done, 1 link failure, 2 usage error, 3 refused, 4 file error,\n"
        "5 verify difference, 6 not blank\n";
    return text;
}

}  // namespace

CommandResult ParseCommandLine(const std::vector<std::string>& args, CommandLine& line) {
    GlobalOptions& global = line.global;
    const auto value = [](auto& field) {
        return [&field](const std::string& text) -> ArgumentRefusal {
            field = text;
            return std::nullopt;
        };
    };
    const ArgumentRules rules{{{"--driver", {}, value(global.driver)},
                               {"--device", {}, value(global.device)},
                               {"--trace", {}, value(global.trace)},
                               {"--force", [&] { global.force = true; }, {}},
                               {"--allow-protect", [&] { global.allowProtect = true; }, {}},
                               {"--quiet", [&] { global.quiet = true; }, {}},
                               {"--verbose", [&] { global.verbose = true; }, {}},
                               {"--help", [&] { line.help = true; }, {}},
                               {"-h", [&] { line.help = true; }, {}},
                               {"--version", [&] { line.version = true; }, {}}},
                              [&](const std::string& word) -> ArgumentRefusal {
                                  if (line.command) {
                                      line.words.push_back(word);
                                      return std::nullopt;
                                  }
                                  if (word.starts_with("-")) return "unknown option " + word;
                                  for (const CliCommand& command : kCommands) {
                                      if (command.name == word) {
                                          line.command = &command;
                                          return std::nullopt;
                                      }
                                  }
                                  return "unknown command " + word +
                                         " (tamro18-cli --help lists the commands)";
                              }};
    if (ArgumentRefusal refused = ParseArguments(args, rules)) {
        // --help and --version answer whatever else the line holds.
        if (line.help || line.version) return std::nullopt;
        return CliFailure{FailureKind::Usage, *refused, {}};
    }
    if (global.quiet && global.verbose) {
        return CliFailure{FailureKind::Usage, "--quiet and --verbose exclude each other", {}};
    }
    return std::nullopt;
}

int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment,
           std::ostream& out, std::ostream& err) {
    CommandLine line;
    CommandResult result = ParseCommandLine(args, line);
    if (!result && line.help) {
        out << UsageText();
        return kExitSuccess;
    }
    if (!result && line.version) {
        out << "tamro18-cli " << TAMRO_VERSION_TEXT << "\n";
        return kExitSuccess;
    }
    if (!result && !line.command) {
        err << UsageText();
        return kExitUsage;
    }
    if (!result) {
        result =
            line.command->run({line.command->name, line.words, line.global, environment, out, err});
    }
    if (!result) return kExitSuccess;
    err << FailureLines(*result, line.global.verbose);
    return ExitStatus(result->kind);
}

}  // namespace tamro::cli
