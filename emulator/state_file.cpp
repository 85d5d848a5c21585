#include "emulator/state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace tamro::emu {
namespace {

constexpr char kMagic[8] = {'T', 'E', 'M', 'U', 'S', 'T', '0', '1'};

std::uint32_t Checksum(const std::vector<std::uint8_t>& bytes, std::size_t end) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (std::size_t i = 0; i < end; ++i) {
        hash ^= bytes[i];
        hash *= 16777619u;
    }
    return hash;
}

// The file's size for a device: its memories are as large as its table entry says.
std::size_t FileSize(const DeviceFacts& facts) {
    return sizeof kMagic + 1 + facts.flashSize + facts.eepromSize + kConfigSize + kIdSize + 4;
}

// The byte after the magic: the device's family (the file's name and size tell the device).
std::uint8_t FamilyByte(const DeviceFacts& facts) {
    return facts.family == Family::Fxx2 ? 0 : 1;
}

}  // namespace

std::optional<TargetMemory> LoadStateFile(const std::string& path, Device device) {
    const DeviceFacts& facts = FactsFor(device);
    const std::size_t kFileSize = FileSize(facts);
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    char chunk[4096];
    while (in && bytes.size() <= kFileSize) {
        in.read(chunk, sizeof chunk);
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    }
    if (bytes.size() != kFileSize) return std::nullopt;
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
    if (bytes[sizeof kMagic] != FamilyByte(facts)) return std::nullopt;
    const std::size_t sumAt = kFileSize - 4;
    const std::uint32_t stored = static_cast<std::uint32_t>(bytes[sumAt]) |
                                 static_cast<std::uint32_t>(bytes[sumAt + 1]) << 8 |
                                 static_cast<std::uint32_t>(bytes[sumAt + 2]) << 16 |
                                 static_cast<std::uint32_t>(bytes[sumAt + 3]) << 24;
    if (stored != Checksum(bytes, sumAt)) return std::nullopt;

    TargetMemory memory;
    memory.flash.assign(facts.flashSize, 0xFF);
    memory.eeprom.assign(facts.eepromSize, 0xFF);
    auto at = bytes.begin() + sizeof kMagic + 1;
    std::copy_n(at, facts.flashSize, memory.flash.begin());
    at += facts.flashSize;
    std::copy_n(at, facts.eepromSize, memory.eeprom.begin());
    at += facts.eepromSize;
    std::copy_n(at, kConfigSize, memory.config.begin());
    at += kConfigSize;
    std::copy_n(at, kIdSize, memory.id.begin());
    return memory;
}

bool SaveStateFile(const std::string& path, Device device, const TargetMemory& memory) {
    std::vector<std::uint8_t> bytes(kMagic, kMagic + sizeof kMagic);
    bytes.push_back(FamilyByte(FactsFor(device)));
    bytes.insert(bytes.end(), memory.flash.begin(), memory.flash.end());
    bytes.insert(bytes.end(), memory.eeprom.begin(), memory.eeprom.end());
    bytes.insert(bytes.end(), memory.config.begin(), memory.config.end());
    bytes.insert(bytes.end(), memory.id.begin(), memory.id.end());
    const std::uint32_t sum = Checksum(bytes, bytes.size());
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(sum >> (8 * i)));

    std::error_code error;
    const std::filesystem::path target(path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);

    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return false;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    const bool complete = written == bytes.size() && fsync(fd) == 0;
    close(fd);
    if (!complete || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::string DefaultStateFile(const std::string& dataFolder, Device device) {
    if (dataFolder.empty()) return "";
    const std::filesystem::path base(dataFolder);
    return (base / "tamro18" / ("emulator-" + DeviceName(device) + ".state")).string();
}

}  // namespace tamro::emu
