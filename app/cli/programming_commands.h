#pragma once
// The programming subcommands of tamro18-cli: the same operations as the
// panel's buttons, run over a driver chosen on the command line.
//
//   id | erase | blank-check | write FILE | verify FILE
//   read OUT.hex [--last X] [--flash-only] | read-eeprom OUT.bin
//   options: --device 18F452|18F4520  --driver SETTING  --trace FILE
//            --force (go on with a device no group is known to serve)
//            --allow-protect (write a configuration that turns on protection)

#include <iosfwd>
#include <string>
#include <vector>

#include "app/cli/cli_session.h"

namespace tamro::cli {

// The exit statuses of tamro18-cli (the README's table).
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitLink = 1;   // the programmer could not be opened or an exchange failed
inline constexpr int kExitUsage = 2;  // a bad command line
inline constexpr int kExitDeviceRefused = 3;     // no target, another group's device, an unknown
                                                 // device without --force, or protection
                                                 // without --allow-protect
inline constexpr int kExitFile = 4;              // a file that cannot be read, loaded or written
inline constexpr int kExitVerifyDifference = 5;  // the chip differs from the file
inline constexpr int kExitNotBlank = 6;          // blank-check found a programmed byte

// True for the subcommand names handled here.
bool IsProgrammingCommand(const std::string& name);

// Runs one subcommand; `args` starts with its name. Progress and results go to
// `out`, the one-line reason of a failure to `err`. Returns the exit status.
int RunProgrammingCommand(const std::vector<std::string>& args, const CliEnvironment& environment,
                          std::ostream& out, std::ostream& err);

// The usage lines of the programming subcommands.
std::string ProgrammingUsage();

}  // namespace tamro::cli
