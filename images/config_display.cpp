#include "images/config_display.h"

#include <algorithm>
#include <cctype>

#include "common/number_text.h"

namespace tamro {

std::array<std::string, kConfigBoxes> DSPCONFIG(const Images& images) {
    std::array<std::string, kConfigBoxes> texts;
    for (int i = 0; i < kConfigBoxes; ++i) texts[i] = HexText(images.config[i]);
    return texts;
}

std::string ConfigWordLabel(int word) {
    return HexText(static_cast<std::uint32_t>(2 * word)) + ":";
}

std::string Config_bit_DSP(std::int16_t CONF) {
    return BitString16(static_cast<std::uint16_t>(CONF));
}

std::int16_t ConfigWord(const Images& images, int word) {
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>(images.config[2 * word + 1] << 8 | images.config[2 * word]));
}

ConfigBitUpdate ConfigAddrText_Change(Images& images, int index, std::string_view text) {
    index = std::clamp(index, 0, kConfigBoxes - 1);
    const std::string_view held = text.substr(0, kConfigBoxMaxLength);
    images.config[index] = static_cast<std::uint8_t>(HexValue(held) & 0xFF);
    const int word = index / 2;
    return {word, Config_bit_DSP(ConfigWord(images, word))};
}

std::optional<std::string> LastAddrText_Change(std::string_view text, int programSize) {
    if (HexValue(text) > programSize) return HexText16(static_cast<std::int16_t>(programSize));
    return std::nullopt;
}

int LastWordForLoops(std::int16_t lastAddress, int lastProgramWord) {
    return std::min<int>(lastAddress, lastProgramWord);
}

}  // namespace tamro

namespace tamro {

std::optional<std::string> ConfigBoxProblem(int index, std::string_view text) {
    const bool hexDigits =
        !text.empty() && text.size() <= static_cast<std::size_t>(kConfigBoxMaxLength) &&
        std::all_of(text.begin(), text.end(),
                    [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
    if (hexDigits) return std::nullopt;
    const std::string box =
        "The configuration box for 3000" + HexByte2(static_cast<std::uint8_t>(index)) + "h";
    if (text.empty()) return box + " is empty: type one or two hexadecimal digits.";
    return box + " holds \"" + std::string(text) + "\", not one or two hexadecimal digits.";
}

}  // namespace tamro

namespace tamro {

std::optional<ConfigBoxFault> FirstConfigBoxFault(
    const std::array<std::string, kConfigBoxes>& texts) {
    for (int i = 0; i < kConfigBoxes; ++i) {
        if (auto problem = ConfigBoxProblem(i, texts[i])) return ConfigBoxFault{i, *problem};
    }
    return std::nullopt;
}

}  // namespace tamro
