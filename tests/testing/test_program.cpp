#include "tests/testing/test_program.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tamro::testing {
namespace {

std::string Assemble(const std::filesystem::path& folder, const std::string& processor,
                     const TestProgramMemories& memories, const std::string& extraLines) {
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
         << "        org 0x" << std::hex << memories.flashBytes - 16 << std::dec
         << "\n        db 0x12, 0x34\n";
    if (memories.eepromBytes > 0) file << "        org 0xF00000\n        de 0x11, 0x22, 0x33\n";
    file << extraLines << "        end\n";
    file.close();
    const std::filesystem::path hex = folder / (processor + ".hex");
    const std::string command = "cd '" + folder.string() + "' && gpasm -q -o '" + hex.string() +
                                "' '" + source.string() + "' > /dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? hex.string() : "";
}

}  // namespace

std::string AssembleTestProgram(const std::filesystem::path& folder, const std::string& processor,
                                const std::string& extraLines) {
    return Assemble(folder, processor, {}, extraLines);
}

std::string AssembleTestProgram(const std::filesystem::path& folder, const std::string& processor,
                                const TestProgramMemories& memories) {
    std::ostringstream lastEeprom;
    if (memories.eepromBytes > 0) {
        lastEeprom << "        org 0x" << std::hex << 0xF00000 + memories.eepromBytes - 1
                   << "\n        de 0xEE\n";
    }
    return Assemble(folder, processor, memories, lastEeprom.str());
}

}  // namespace tamro::testing
