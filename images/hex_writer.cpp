#include "images/hex_writer.h"

#include <algorithm>
#include <cstdio>

#include "common/file_io.h"

namespace tamro {
namespace {

constexpr int kRecordBytes = 16;
constexpr std::uint8_t kTypeData = 0x00;
constexpr std::uint8_t kTypeEnd = 0x01;
constexpr std::uint8_t kTypeLinearAddress = 0x04;

void AddRecord(std::string& text, std::uint8_t type, std::uint32_t address,
               std::span<const std::uint8_t> data) {
    text += IntelHexRecord(type, static_cast<std::uint16_t>(address & 0xFFFF), data);
    text += '\n';
}

void AddUpperAddress(std::string& text, std::uint32_t base) {
    const std::uint8_t upper[2] = {static_cast<std::uint8_t>(base >> 24),
                                   static_cast<std::uint8_t>(base >> 16)};
    AddRecord(text, kTypeLinearAddress, 0, upper);
}

// The bytes marked present, as runs cut at every 16-byte boundary, after an
// upper address record for the region; nothing when no byte is present.
template <std::size_t N>
void AddPresentBytes(std::string& text, std::uint32_t base, const std::uint8_t* bytes,
                     const std::array<bool, N>& present) {
    if (std::none_of(present.begin(), present.end(), [](bool p) { return p; })) return;
    AddUpperAddress(text, base);
    std::size_t i = 0;
    while (i < N) {
        if (!present[i]) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < N && present[end] && end % kRecordBytes != 0) ++end;
        AddRecord(text, kTypeData, base + static_cast<std::uint32_t>(i),
                  std::span<const std::uint8_t>(bytes + i, end - i));
        i = end;
    }
}

}  // namespace

std::string IntelHexRecord(std::uint8_t type, std::uint16_t address,
                           std::span<const std::uint8_t> data) {
    std::string line = ":";
    line.reserve(11 + 2 * data.size());
    unsigned sum = 0;
    char digits[3];
    auto put = [&](std::uint8_t value) {
        std::snprintf(digits, sizeof digits, "%02X", value);
        line += digits;
        sum += value;
    };
    put(static_cast<std::uint8_t>(data.size()));
    put(static_cast<std::uint8_t>(address >> 8));
    put(static_cast<std::uint8_t>(address & 0xFF));
    put(type);
    for (std::uint8_t value : data) put(value);
    put(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
    return line;
}

std::string IntelHexText(const Images& images, const HexWriteOptions& options) {
    std::string text;
    AddUpperAddress(text, 0);
    const int endByte = 2 * (std::min(options.lastWord, images.LastProgramWord()) + 1);
    for (int address = 0; address < endByte; address += kRecordBytes) {
        const auto row =
            std::span<const std::uint8_t>(images.program)
                .subspan(static_cast<std::size_t>(address),
                         static_cast<std::size_t>(std::min(kRecordBytes, endByte - address)));
        if (std::all_of(row.begin(), row.end(), [](std::uint8_t byte) { return byte == 0xFF; })) {
            continue;
        }
        AddRecord(text, kTypeData, static_cast<std::uint32_t>(address), row);
    }
    if (options.regions == HexRegions::WholeChip) {
        AddPresentBytes(text, kIdBase, images.id.data(), images.idPresent);
        ConfigBytes config;
        for (int i = 0; i < kConfigSize; ++i) {
            config[i] = static_cast<std::uint8_t>(images.config[i] & options.configMask[i]);
        }
        AddUpperAddress(text, kConfigBase);
        AddRecord(text, kTypeData, kConfigBase, config);
        if (images.eepromReadLast >= 0) {
            std::array<bool, kMaxEepromBytes> read{};
            std::fill_n(read.begin(), std::min(images.eepromReadLast + 1, images.eepromBytes),
                        true);
            AddPresentBytes(text, kEepromBase, images.eepromRead.data(), read);
        } else {
            AddPresentBytes(text, kEepromBase, images.eeprom.data(), images.eepromPresent);
        }
    }
    AddRecord(text, kTypeEnd, 0, {});
    return text;
}

bool WriteIntelHexFile(const std::string& path, const Images& images,
                       const HexWriteOptions& options, std::string* error) {
    const FileResult written = WriteFileAtomically(path, IntelHexText(images, options));
    if (!written.ok() && error) *error = written.error;
    return written.ok();
}

}  // namespace tamro
