#pragma once
// tamro18-cli: the panel's operations and instruments from the command line,
// one subcommand per operation, all in one command table (cli.cpp) from which
// the parsing, the usage and the dispatch come.

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli_session.h"

namespace tamro::cli {

// `args` are the words after the program's name; the options every
// subcommand takes may stand before or after it. Results go to `out`, a
// failure's one wording to `err`. Returns the exit status (cli_failure.h).
int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment,
           std::ostream& out, std::ostream& err);

}  // namespace tamro::cli
