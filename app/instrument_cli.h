#pragma once
// tamro18-cli's instrument subcommands over the programmer chosen by
// --driver (or the driver setting of the environment).

#include <ostream>
#include <string>
#include <vector>

namespace tamro {

// `args` starts with the subcommand's name. Returns the exit status.
int RunInstrumentCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tamro
