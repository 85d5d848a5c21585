#pragma once
// The device table's subcommands of tamro18-cli:
//   devices      every device of the table: name, ID, family, flash, EEPROM,
//                write buffer, programmed or why not
//   config FILE  the configuration a HEX file programs, by name, for the
//                --device given (the 18F452 without it)

#include "app/cli/cli_command.h"

namespace tamro::cli {

CommandResult RunDevices(const Invocation& invocation);
CommandResult RunConfig(const Invocation& invocation);

}  // namespace tamro::cli
