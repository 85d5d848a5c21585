#include "programming/hex_writer.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace tamro {
namespace {

constexpr int kRecordBytes = 16;

std::string Record(std::uint8_t type, std::uint16_t address, const std::uint8_t* data, int count) {
    std::string line = ":";
    unsigned sum = 0;
    char digits[3];
    auto put = [&](std::uint8_t value) {
        std::snprintf(digits, sizeof digits, "%02X", value);
        line += digits;
        sum += value;
    };
    put(static_cast<std::uint8_t>(count));
    put(static_cast<std::uint8_t>(address >> 8));
    put(static_cast<std::uint8_t>(address & 0xFF));
    put(type);
    for (int i = 0; i < count; ++i) put(data[i]);
    std::snprintf(digits, sizeof digits, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    line += digits;
    line += '\n';
    return line;
}

}  // namespace

std::string IntelHexText(const std::array<std::uint8_t, kProgramBytes>& program, int lastWord,
                         const std::optional<ConfigBytes>& config) {
    const std::uint8_t upperZero[2] = {0x00, 0x00};
    std::string text = Record(0x04, 0, upperZero, 2);
    const int endByte = 2 * (std::min(lastWord, kLastProgramWord) + 1);
    for (int address = 0; address < endByte; address += kRecordBytes) {
        const int count = std::min(kRecordBytes, endByte - address);
        const std::uint8_t* data = program.data() + address;
        if (std::all_of(data, data + count, [](std::uint8_t byte) { return byte == 0xFF; })) {
            continue;
        }
        text += Record(0x00, static_cast<std::uint16_t>(address), data, count);
    }
    if (config) {
        const std::uint8_t upperConfig[2] = {0x00, 0x30};
        text += Record(0x04, 0, upperConfig, 2);  // ":020000040030CA"
        text += Record(0x00, 0, config->data(), static_cast<int>(config->size()));
    }
    text += Record(0x01, 0, nullptr, 0);
    return text;
}

bool WriteIntelHexFile(const std::string& path,
                       const std::array<std::uint8_t, kProgramBytes>& program, int lastWord,
                       const std::optional<ConfigBytes>& config, std::string* error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file << IntelHexText(program, lastWord, config);
    if (file) file.close();
    if (!file) {
        if (error) *error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace tamro
