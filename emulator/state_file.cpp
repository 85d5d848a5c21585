#include "emulator/state_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tamro::emu {
namespace {

namespace fs = std::filesystem;

constexpr char kMagic[8] = {'T', 'E', 'M', 'U', 'S', 'T', '0', '1'};

std::uint32_t Checksum(std::string_view bytes) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char byte : bytes) {
        hash ^= static_cast<std::uint8_t>(byte);
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

// Renames the file to the first free PATH.corrupt[-N]; that name, or "" when
// it could not be moved.
std::string KeepAside(const std::string& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string aside =
            path + ".corrupt" + (attempt ? "-" + std::to_string(attempt) : std::string());
        std::error_code error;
        if (fs::exists(fs::symlink_status(aside, error))) continue;
        if (std::rename(path.c_str(), aside.c_str()) == 0) return aside;
        return "";
    }
    return "";
}

}  // namespace

std::optional<TargetMemory> StateFromBytes(std::string_view bytes, Device device) {
    const DeviceFacts& facts = FactsFor(device);
    const std::size_t kFileSize = FileSize(facts);
    if (bytes.size() != kFileSize) return std::nullopt;
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
    if (static_cast<std::uint8_t>(bytes[sizeof kMagic]) != FamilyByte(facts)) return std::nullopt;
    const std::size_t sumAt = kFileSize - 4;
    std::uint32_t stored = 0;
    for (int i = 0; i < 4; ++i) {
        stored |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[sumAt + i]))
                  << (8 * i);
    }
    if (stored != Checksum(bytes.substr(0, sumAt))) return std::nullopt;

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

StateFileLoad LoadStateFile(const std::string& path, Device device) {
    // One byte beyond the size tells a long file from a whole one.
    const FileReadResult read = ReadRegularFile(path, FileSize(FactsFor(device)) + 1);
    if (read.problem == FileProblem::Missing || (read.ok() && read.bytes.empty())) return {};
    if (!read.ok() && read.problem != FileProblem::TooLarge) {
        return {StateLoad::Unreadable, std::nullopt,
                "cannot read the state file " + path + ": " + read.reason};
    }
    if (read.ok()) {
        if (auto memory = StateFromBytes(read.bytes, device)) {
            return {StateLoad::Loaded, std::move(memory), {}};
        }
    }
    const std::string aside = KeepAside(path);
    return {StateLoad::Corrupt, std::nullopt,
            "state file " + path + " is not a whole state of the " + DeviceName(device) +
                (aside.empty() ? " and could not be moved aside" : "; it is kept as " + aside) +
                ", and the chip starts erased"};
}

FileResult SaveStateFile(const std::string& path, Device device, const TargetMemory& memory) {
    std::string bytes(kMagic, sizeof kMagic);
    bytes.reserve(FileSize(FactsFor(device)));
    bytes.push_back(static_cast<char>(FamilyByte(FactsFor(device))));
    bytes.append(reinterpret_cast<const char*>(memory.flash.data()), memory.flash.size());
    bytes.append(reinterpret_cast<const char*>(memory.eeprom.data()), memory.eeprom.size());
    bytes.append(reinterpret_cast<const char*>(memory.config.data()), memory.config.size());
    bytes.append(reinterpret_cast<const char*>(memory.id.data()), memory.id.size());
    const std::uint32_t sum = Checksum(bytes);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(sum >> (8 * i)));

    std::error_code error;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), error);
    FileResult written = WriteFileAtomically(path, bytes);
    if (!written.ok())
        written.error = "cannot write the state file " + path + ": " + written.reason;
    return written;
}

FileResult CheckStateFile(const std::string& path) {
    std::error_code error;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), error);
    FileResult checked = CheckWritableFile(path);
    if (!checked.ok()) checked.error = "state file " + path + " refused: " + checked.reason;
    return checked;
}

std::string DefaultStateFile(const std::string& dataFolder, Device device) {
    if (dataFolder.empty()) return "";
    const fs::path base(dataFolder);
    return (base / "tamro18" / ("emulator-" + DeviceName(device) + ".state")).string();
}

}  // namespace tamro::emu
