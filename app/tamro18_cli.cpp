// tamro18-cli: the panel's programming operations from a terminal.

#include <iostream>
#include <string>
#include <vector>

#include "programming/cli_commands.h"

#if __has_include("images/hex_loader.h")
#include "images/hex_loader.h"
#define TAMRO_CLI_HEX_LOADER 1
#endif

namespace {

bool LoadHex(const std::string& path, tamro::Images& images) {
#ifdef TAMRO_CLI_HEX_LOADER
    return tamro::HEX_LOAD(path, images).ok;
#else
    (void)path;
    (void)images;
    return false;
#endif
}

void PrintUsage() {
    std::cerr << "usage: tamro18-cli COMMAND [options]\n" << tamro::ProgrammingUsage();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        PrintUsage();
        return args.empty() ? 2 : 0;
    }
    if (tamro::IsProgrammingCommand(args[0])) {
        return tamro::RunProgrammingCommand(args, LoadHex, std::cout, std::cerr);
    }
    std::cerr << "unknown command " << args[0] << '\n';
    PrintUsage();
    return 2;
}
