#pragma once
// tamro18-cli: the panel's operations and instruments from the command line,
// one subcommand per operation, all in one command table (cli.cpp) from which
// the parsing, the usage and the dispatch come.

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli_command.h"
#include "app/cli/cli_session.h"

namespace tamro::cli {

// The command line split into the subcommand, its own words and the options
// every subcommand takes, wherever they stand.
struct CommandLine {
    const CliCommand* command = nullptr;  // nothing when none was named
    std::vector<std::string> words;
    GlobalOptions global;
    bool help = false;
    bool version = false;
};

// Reads `args` (the words after the program's name) into `line`; a usage
// failure when they cannot stand (with --help or --version, none: those
// answer whatever else the line holds). Nothing runs and no file is touched.
CommandResult ParseCommandLine(const std::vector<std::string>& args, CommandLine& line);

// `args` are the words after the program's name; the options every
// subcommand takes may stand before or after it. Results go to `out`, a
// failure's one wording to `err`. Returns the exit status (cli_failure.h).
int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment,
           std::ostream& out, std::ostream& err);

}  // namespace tamro::cli
