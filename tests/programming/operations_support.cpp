#include "tests/programming/operations_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "images/hex_loader.h"

namespace tamro::testing {

bool LoadHexForTest(const std::string& path, Images& images) {
    return HEX_LOAD(path, images).ok;
}

std::string AssembleWithGpasm(const std::string& source, const std::string& processor,
                              const std::string& stem) {
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) return {};
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tamro_programming_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto asmPath = folder / (stem + ".asm");
    const auto hexPath = folder / (stem + ".hex");
    std::ofstream(asmPath) << source;
    const std::string command = "gpasm -q -w 2 -a inhx32 -p " + processor + " -o '" +
                                hexPath.string() + "' '" + asmPath.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || !std::filesystem::exists(hexPath)) return {};
    return hexPath.string();
}

}  // namespace tamro::testing
