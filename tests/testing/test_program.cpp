#include "tests/testing/test_program.h"

#include <cstdlib>
#include <fstream>

namespace tamro::testing {

std::string AssembleTestProgram(const std::filesystem::path& folder, const std::string& processor,
                                const TestProgramMemories& memories) {
    std::filesystem::create_directories(folder);
    const std::filesystem::path source = folder / (processor + ".asm");
    std::ofstream file(source);
    file << "        list p=" << processor << "\n"
         << "        include <p" << processor << ".inc>\n"
         << "        __CONFIG _CONFIG2L, 0xF2 & 0x0F\n"
         << "        __CONFIG _CONFIG4L, 0x81\n"
         << "        __IDLOCS _IDLOC0, 0x1\n"
         << "        __IDLOCS _IDLOC5, 0xA\n"
         << "        org 0\n        goto start\n"
         << "        org 0x40\nstart:  movlw 0x5A\n        bra start\n"
         << std::hex << "        org 0x" << memories.flashBytes - 16 << "\n        db 0x12, 0x34\n";
    if (memories.eepromBytes > 0) {
        file << "        org 0xF00000\n        de 0x11, 0x22, 0x33\n"
             << "        org 0x" << 0xF00000 + memories.eepromBytes - 1 << "\n        de 0xEE\n";
    }
    file << "        end\n";
    file.close();
    const std::filesystem::path hex = folder / (processor + ".hex");
    const std::string command = "cd '" + folder.string() + "' && gpasm -q -o '" + hex.string() +
                                "' '" + source.string() + "' > /dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? hex.string() : "";
}

}  // namespace tamro::testing
