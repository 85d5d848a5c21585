#pragma once
// The programming subcommands of tamro18-cli: the same operations as the
// panel's buttons, run over a driver chosen on the command line.
//
//   id | erase | write FILE | verify FILE | read OUT.hex [--last X] | read-eeprom OUT.bin
//   options: --device 18F452|18F4520  --driver SETTING  --trace FILE

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "images/images.h"

namespace tamro {

// Loads an Intel HEX file into the images as the panel's loader does (program
// image reset to FFh, HaveData and LastAddress set). False when it failed.
using HexLoadFunction = std::function<bool(const std::string& path, Images& images)>;

// True for the subcommand names handled here.
bool IsProgrammingCommand(const std::string& name);

// Runs one subcommand; `args` starts with its name. Progress and results go to
// `out`, the one-line reason of a failure to `err`. Returns the exit status.
int RunProgrammingCommand(const std::vector<std::string>& args, const HexLoadFunction& loadHex,
                          std::ostream& out, std::ostream& err);

// The usage lines of the programming subcommands.
std::string ProgrammingUsage();

}  // namespace tamro
