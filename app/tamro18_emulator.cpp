// tamro18-emulator: the emulated programmer over a pseudo-terminal or TCP.
#include <cstdio>
#include <iostream>
#include <string>

#include "app/environment.h"
#include "emulator/daemon.h"

int main(int argc, char** argv) {
    tamro::app::InstallDeviceTable(tamro::app::ProcessEnvironment(), std::cerr);
    tamro::emu::DaemonOptions options =
        tamro::app::DaemonDefaults(tamro::app::ProcessEnvironment(), std::cerr);
    std::string error;
    tamro::emu::DaemonInfo info = tamro::emu::DaemonInfo::None;
    if (!tamro::emu::ParseDaemonArguments(argc, argv, options, error, info)) {
        if (info == tamro::emu::DaemonInfo::Help) {
            std::fputs(tamro::emu::DaemonUsage().c_str(), stdout);
            return 0;
        }
        if (info == tamro::emu::DaemonInfo::Version) {
            std::printf("tamro18-emulator %s\n", TAMRO_VERSION_TEXT);
            return 0;
        }
        std::fprintf(stderr, "tamro18-emulator: %s\n%s", error.c_str(),
                     tamro::emu::DaemonUsage().c_str());
        return 2;
    }
    return tamro::emu::RunDaemon(options, stdout);
}
