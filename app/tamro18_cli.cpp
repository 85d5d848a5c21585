// tamro18-cli: the panel's operations from the command line (app/cli/).
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "link/driver_table.h"

namespace {

// Where the panel keeps its settings files, as its settings store finds it.
std::string SettingsFolder() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) return config;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config";
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    const tamro::cli::CliEnvironment environment{tamro::DriverSettingFromEnvironment(),
                                                 SettingsFolder()};
    return tamro::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), environment,
                              std::cout, std::cerr);
}
