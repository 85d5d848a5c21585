#pragma once
// The data convertor's conversions, free of any window. Every function takes
// the texts of the convertor's boxes and gives the text to show; a value that a
// conversion cannot handle gives an empty text (or, for the bit string, the
// marked text kNoBitString), never an error.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamro {

// Shown in the bit-string label when the hexadecimal text has no 32-bit value
// (more than eight digits).
inline constexpr std::string_view kNoBitString = "---- ----";

// Decimal box to hexadecimal box: the numeric value rounded (halves to even) to
// a 32-bit whole number, as hexadecimal text (negative values as eight digits of
// two's complement). Empty when the rounded value lies outside the 32-bit range.
std::string DecimalToHexText(std::string_view decimalText);

// Hexadecimal box to decimal box: the hexadecimal value as decimal text. Empty
// when the hexadecimal text has more than eight digits.
std::string HexToDecimalText(std::string_view hexText);

// The bit string of the low eight bits of a 16-bit value ("1010 0101").
std::string BitDisplayText(std::int16_t value);

// The 16-bit integer of the hexadecimal box that the bit string shows: its low
// 16 bits (a five- to eight-digit value keeps its low bits). Nothing when the
// text has more than eight digits.
std::optional<std::int16_t> BitDisplayValue(std::string_view hexText);

// Bit string for the hexadecimal box as it reads now (kNoBitString for a text of
// more than eight digits).
std::string BitDisplayTextForHex(std::string_view hexText);

// The Shift_JIS (code page 932) code of the first character of a UTF-8 text: a
// single-byte character gives 00 to FF, a double-byte one its two bytes with the
// lead byte high. Nothing for an empty text or a character outside the code page.
std::optional<std::uint16_t> ShiftJisCode(std::string_view utf8Text);

// The character (as UTF-8) whose Shift_JIS code is `code`. Nothing when the code
// names no single character of the code page or a control character.
std::optional<std::string> CharacterForShiftJisCode(std::uint32_t code);

// Character box to code box: hexadecimal text of the first character's code
// ("41", "82A0"); empty for an empty box or a character outside the code page.
std::string CharacterToCodeText(std::string_view utf8Text);

// Code box to character box: the character whose code is the hexadecimal value
// of the code box; empty when that code names no character.
std::string CodeToCharacterText(std::string_view hexText);

}  // namespace tamro
