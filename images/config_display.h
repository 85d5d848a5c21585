#pragma once
// The configuration byte boxes, the bit-string boxes and the address fields of
// the main window, as functions over the images: the window sets the texts they
// return and calls the change handlers from its text-change signals.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "images/images.h"

namespace tamro {

constexpr int kConfigBoxes = 14;  // ConfigAddrText 0 to 13
constexpr int kConfigWords = 7;   // Text_Configbit 0 to 6
// A byte box holds at most two hexadecimal digits, so ConfigImage only ever
// receives byte values from it. The window sets this as the box's maximum length.
constexpr int kConfigBoxMaxLength = 2;

inline const std::string kConfigBoxDesignText = "FF";
inline const std::string kConfigBitDesignText = "1111 1111 1111 1111";
inline const std::string kConfigToolTip = "Config data";

// DSPCONFIG: the texts of ConfigAddrText 0 to 13 ("FF", "5", ...). Setting
// them into the boxes runs ConfigAddrText_Change for each, so the bit strings
// follow.
std::array<std::string, kConfigBoxes> DSPCONFIG(const Images& images);

// The label in front of configuration word n ("0:", "2:", ... "C:").
std::string ConfigWordLabel(int word);

// Config_bit_DSP: the text of Text_Configbit for the configuration word CONF.
std::string Config_bit_DSP(std::int16_t CONF);

// The configuration word n (bytes 2n+1 and 2n) as ConfigImage holds it.
std::int16_t ConfigWord(const Images& images, int word);

struct ConfigBitUpdate {
    int word = 0;           // index of the Text_Configbit box to set
    std::string bitString;  // its new text
};

// ConfigAddrText_Change: box `index` (0 to 13) now shows `text`. Stores the
// box's hexadecimal value in ConfigImage[index] (text that is not hexadecimal
// stores 0; only the first kConfigBoxMaxLength characters count, as the box
// holds no more) and returns the bit-string box to update.
ConfigBitUpdate ConfigAddrText_Change(Images& images, int index, std::string_view text);

// What is wrong with the text of box `index` for a write: it must hold one or
// two hexadecimal digits. The message names the box by its target address;
// nothing when the text is good.
std::optional<std::string> ConfigBoxProblem(int index, std::string_view text);

// LastAddrText_Change: the replacement text when the typed last address is
// above programSize, the device's program words ("4000" for 4000h words);
// nothing when the text may stay. Texts 8000 to FFFF read as negative numbers
// and stay.
std::optional<std::string> LastAddrText_Change(std::string_view text, int programSize);

// The last program word a loop over the program memory may touch for a last
// address taken from LastAddrText: a full 32 KB image gives 4000h, one word
// past the end, so loops stop at the device's last word (3FFFh).
int LastWordForLoops(std::int16_t lastAddress, int lastProgramWord);

}  // namespace tamro

namespace tamro {

struct ConfigBoxFault {
    int index = 0;        // the first box that is not good
    std::string message;  // what is wrong with it (see ConfigBoxProblem)
};

// The first of the configuration boxes 0 to 13 whose text a write cannot
// take; nothing when all are good.
std::optional<ConfigBoxFault> FirstConfigBoxFault(
    const std::array<std::string, kConfigBoxes>& texts);

}  // namespace tamro
