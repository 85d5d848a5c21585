#pragma once
// tamro18-cli's instrument subcommands (volts, freq, count, capture) over the
// programmer the driver setting names.

#include "app/cli/cli_command.h"

namespace tamro::cli {

// Runs the instrument `invocation.name` names with its words.
CommandResult RunInstrument(const Invocation& invocation);

}  // namespace tamro::cli
