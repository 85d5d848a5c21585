#pragma once
// tamro18-cli: the panel's operations and instruments from the command line,
// one subcommand per operation.

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli_session.h"

namespace tamro::cli {

// `args` are the words after the program's name. Returns the exit status:
// 0 done, 1 failed, 2 bad command line (the usage went to `err`), 3 refused by
// the device check.
int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment,
           std::ostream& out, std::ostream& err);

}  // namespace tamro::cli
