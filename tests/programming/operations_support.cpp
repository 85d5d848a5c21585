#include "tests/programming/operations_support.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#if __has_include("images/hex_loader.h")
#include "images/hex_loader.h"
#define TAMRO_HAVE_HEX_LOADER 1
#endif

namespace tamro::testing {

RecordingDriver::Responder FlashMirror(std::shared_ptr<std::vector<std::uint8_t>> flash) {
    auto pointer = std::make_shared<std::uint32_t>(0);
    return [flash, pointer](const Packet& packet) {
        Packet reply{};
        if (packet[0] == protocol::Code(protocol::Command::SetTablePointer)) {
            *pointer = static_cast<std::uint32_t>(packet[1]) << 16 | packet[2] << 8 | packet[3];
        } else if (packet[0] == protocol::Code(protocol::Command::TableRead) &&
                   packet[1] == protocol::icsp::kTableReadPostIncrement) {
            for (int i = 0; i < packet[2] && i < 8; ++i, ++*pointer) {
                reply[i] = *pointer < flash->size() ? (*flash)[*pointer] : 0;
            }
        }
        return reply;
    };
}

RecordingDriver::Responder EmulatedTarget(emu::Device device) {
    emu::Options options;
    options.device = device;
    auto programmer = std::make_shared<emu::Programmer>(options);
    return [programmer](const Packet& packet) { return programmer->Exchange(packet); };
}

#ifdef TAMRO_HAVE_HEX_LOADER
bool LoadHexForTest(const std::string& path, Images& images) {
    return HEX_LOAD(path, images).ok;
}
#else
namespace {
int HexField(const std::string& line, std::size_t position, std::size_t digits) {
    if (line.size() < position + digits) return 0;
    return std::stoi(line.substr(position, digits), nullptr, 16);
}
}  // namespace

bool LoadHexForTest(const std::string& path, Images& images) {
    images.program.fill(0xFF);
    std::ifstream file(path);
    if (!file) return false;
    bool configSection = false;
    int highest = 0;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] != ':') break;
        const int count = HexField(line, 1, 2);
        const int address = HexField(line, 3, 4);
        const int type = HexField(line, 7, 2);
        if (type == 1) break;
        if (line == ":020000040030CA") {
            configSection = true;
            continue;
        }
        if (type == 4) continue;
        for (int i = 0; i < count; ++i) {
            const auto byte = static_cast<std::uint8_t>(HexField(line, 9 + 2 * i, 2));
            if (configSection) {
                if (address + i >= kConfigEntries) return false;
                images.config[address + i] = byte;
            } else {
                if (address + i >= kProgramBytes) return false;
                images.program[address + i] = byte;
                highest = std::max(highest, address + i);
            }
        }
    }
    images.haveData = 1;
    images.lastAddress = static_cast<std::int16_t>(std::nearbyint(highest / 2.0));
    return true;
}
#endif

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
