#pragma once
// tamro18-cli's instrument subcommands over the programmer chosen by
// --driver (or the tool's driver setting).

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli_session.h"

namespace tamro::cli {

// `args` starts with the subcommand's name. Returns the exit status.
int RunInstrumentCli(const std::vector<std::string>& args, const CliEnvironment& environment,
                     std::ostream& out, std::ostream& err);

}  // namespace tamro::cli
