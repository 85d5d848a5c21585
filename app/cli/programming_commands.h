#pragma once
// The programming subcommands of tamro18-cli: the same operations as the
// panel's buttons, run over a driver chosen on the command line.
//
//   id | erase | write FILE | verify FILE | read OUT.hex [--last X] | read-eeprom OUT.bin
//   options: --device 18F452|18F4520  --driver SETTING  --trace FILE
//            --force (go on with a device no group is known to serve)
//            --allow-protect (write a configuration that turns on protection)
//
// Exit status: 0 done, 1 failed, 2 bad command line, 3 refused by the device
// check (another group's device, no target, or an unknown device without --force).

#include <iosfwd>
#include <string>
#include <vector>

#include "app/cli/cli_session.h"

namespace tamro::cli {

inline constexpr int kExitDeviceRefused = 3;

// True for the subcommand names handled here.
bool IsProgrammingCommand(const std::string& name);

// Runs one subcommand; `args` starts with its name. Progress and results go to
// `out`, the one-line reason of a failure to `err`. Returns the exit status.
int RunProgrammingCommand(const std::vector<std::string>& args, const CliEnvironment& environment,
                          std::ostream& out, std::ostream& err);

// The usage lines of the programming subcommands.
std::string ProgrammingUsage();

}  // namespace tamro::cli
