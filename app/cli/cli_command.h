#pragma once
// One subcommand of tamro18-cli as the command table holds it, and what its
// handler is given.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/cli_failure.h"
#include "app/cli/cli_session.h"

namespace tamro::cli {

// The options every subcommand takes, before or after its name.
struct GlobalOptions {
    std::optional<std::string> driver;  // nothing: the tool's driver setting
    std::string trace;                  // "": no trace file
    std::optional<std::string> device;  // nothing: the panel's stored selection
    bool force = false;
    bool allowProtect = false;
    bool quiet = false;
    bool verbose = false;
};

// What a handler is given: its own words (files and its options) in order.
struct Invocation {
    std::string_view name;
    std::vector<std::string> words;
    GlobalOptions global;
    const CliEnvironment& environment;
    std::ostream& out;
    std::ostream& err;
};

// A row of the command table: usage, help and dispatch all come from it.
struct CliCommand {
    std::string_view name;
    std::string_view arguments;  // what follows the name in the usage, "" for nothing
    std::string_view help;       // one line
    CommandResult (*run)(const Invocation& invocation);
};

}  // namespace tamro::cli
