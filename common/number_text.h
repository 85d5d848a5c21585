#pragma once
// The panel-wide rules for reading numbers out of text boxes and for writing
// numbers as text. Every window reads and writes numbers through these, so a
// text box means the same number wherever it is read.

#include <cstdint>
#include <string>
#include <string_view>

namespace tamro {

// The leading decimal number of a text: blanks anywhere are skipped, an optional
// sign, digits with a period as decimal separator, an optional exponent (E or D).
// Reading stops at the first other character; a text without a number gives 0.
double NumericValue(std::string_view text);

// Result of reading a text as hexadecimal ("&H" put in front of it).
struct HexReading {
    int digits = 0;          // hexadecimal digits read (blanks skipped)
    bool overflow = false;   // more than eight digits: no 32-bit value
    std::int32_t value = 0;  // 1-4 digits: signed 16-bit; 5-8 digits: signed 32-bit
};
HexReading ReadHex(std::string_view text);

// Hexadecimal value of a text; an overflowing text (more than eight digits) gives 0.
std::int32_t HexValue(std::string_view text);

// Hexadecimal value as a signed 16-bit number (8000 to FFFF negative); a value
// outside the 16-bit range keeps its low 16 bits.
std::int16_t HexValue16(std::string_view text);

// Rounds to the nearest whole number, a half going to the even neighbour.
double RoundHalfEven(double value);

// Upper-case hexadecimal without leading zeros or prefix ("0", "5", "3FFF").
// A negative value is written as the two's complement of its width.
std::string HexText16(std::int16_t value);
std::string HexText32(std::int32_t value);
// Any non-negative value, no width.
std::string HexText(std::uint32_t value);
// Exactly two upper-case hexadecimal digits.
std::string HexByte2(std::uint8_t value);

// Decimal text of a whole number with the sign position: one blank in front of a
// non-negative number, a minus sign in front of a negative one (" 9", " 10", "-3").
std::string SignedDecimalText(long long value);

// Shortest decimal text with up to `significantDigits` significant digits
// (7 for single precision, 15 for double), "-" for negative values.
std::string GeneralNumberText(double value, int significantDigits);

// Format patterns of the form "#0.0", "##0.000", "#####0": rounded to the
// pattern's decimals, at least one integer digit, no thousands separator.
std::string FormatPattern(double value, std::string_view pattern);

// Sixteen binary digits, most significant first, in four groups of four
// ("0010 0010 1111 0111").
std::string BitString16(std::uint16_t word);
// Eight binary digits with one blank between bit 4 and bit 3 ("1010 0101").
std::string BitString8(std::uint8_t value);

}  // namespace tamro
