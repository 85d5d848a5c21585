#pragma once
// The device table's subcommands of tamro18-cli:
//   devices                  every device of the table: name, ID, family,
//                            flash, EEPROM, write buffer, served or why not
//   config FILE [--device D] the configuration a HEX file programs, by name

#include <iosfwd>
#include <span>
#include <string>

namespace tamro::cli {

int RunDevices(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);
int RunConfig(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace tamro::cli
