// tamro18-cli: the panel's operations from the command line (app/cli/).
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "app/environment.h"

int main(int argc, char** argv) {
    const tamro::app::Lookup environment = tamro::app::ProcessEnvironment();
    tamro::app::InstallDeviceTable(environment, std::cerr);
    const tamro::cli::CliEnvironment cliEnvironment{
        tamro::app::DriverSetting(environment), tamro::app::ConfigFolder(environment),
        tamro::app::BackendOptions(environment, std::cerr)};
    return tamro::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), cliEnvironment,
                              std::cout, std::cerr);
}
