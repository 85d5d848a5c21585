#include "convertor/conversions.h"

#include <iconv.h>

#include <cerrno>
#include <cmath>
#include <limits>

#include "common/number_text.h"

namespace tamro {
namespace {

constexpr const char* kCodePage = "CP932";

// Converts a whole byte sequence between two encodings; nothing when the
// encodings are unknown or the input is invalid or incomplete.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view input) {
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string source(input);
    std::string result(input.size() * 4 + 8, '\0');
    char* in = source.data();
    std::size_t inLeft = source.size();
    char* out = result.data();
    std::size_t outLeft = result.size();
    const std::size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (converted == static_cast<std::size_t>(-1) || inLeft != 0) return std::nullopt;
    result.resize(result.size() - outLeft);
    return result;
}

// Byte length of the UTF-8 sequence that starts with `lead`; 0 for a byte that
// cannot start one.
std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 0;
}

}  // namespace

std::string DecimalToHexText(std::string_view decimalText) {
    const double rounded = RoundHalfEven(NumericValue(decimalText));
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return "";
    }
    return HexText32(static_cast<std::int32_t>(rounded));
}

std::string HexToDecimalText(std::string_view hexText) {
    const HexReading reading = ReadHex(hexText);
    if (reading.overflow) return "";
    return GeneralNumberText(reading.value, 15);
}

std::string BitDisplayText(std::int16_t value) {
    return BitString8(static_cast<std::uint8_t>(value & 0xFF));
}

std::optional<std::int16_t> BitDisplayValue(std::string_view hexText) {
    const HexReading reading = ReadHex(hexText);
    if (reading.overflow) return std::nullopt;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(reading.value & 0xFFFF));
}

std::string BitDisplayTextForHex(std::string_view hexText) {
    const std::optional<std::int16_t> value = BitDisplayValue(hexText);
    return value ? BitDisplayText(*value) : std::string(kNoBitString);
}

std::optional<std::uint16_t> ShiftJisCode(std::string_view utf8Text) {
    if (utf8Text.empty()) return std::nullopt;
    const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(utf8Text[0]));
    if (length == 0 || length > utf8Text.size()) return std::nullopt;
    const std::optional<std::string> bytes =
        Convert(kCodePage, "UTF-8", utf8Text.substr(0, length));
    if (!bytes || bytes->empty() || bytes->size() > 2) return std::nullopt;
    std::uint16_t code = 0;
    for (char byte : *bytes)
        code = static_cast<std::uint16_t>(code << 8 | static_cast<unsigned char>(byte));
    return code;
}

std::optional<std::string> CharacterForShiftJisCode(std::uint32_t code) {
    if (code > 0xFFFF) return std::nullopt;
    std::string bytes;
    if (code > 0xFF) bytes.push_back(static_cast<char>(code >> 8));
    bytes.push_back(static_cast<char>(code & 0xFF));
    const std::optional<std::string> text = Convert("UTF-8", kCodePage, bytes);
    if (!text || text->empty()) return std::nullopt;
    // Exactly one character: a two-byte code of two single-byte characters
    // ("4142") names no character.
    if (Utf8SequenceLength(static_cast<unsigned char>((*text)[0])) != text->size()) {
        return std::nullopt;
    }
    const unsigned char first = static_cast<unsigned char>((*text)[0]);
    if (first < 0x20 || first == 0x7F) return std::nullopt;
    return text;
}

std::string CharacterToCodeText(std::string_view utf8Text) {
    const std::optional<std::uint16_t> code = ShiftJisCode(utf8Text);
    return code ? HexText(*code) : "";
}

std::string CodeToCharacterText(std::string_view hexText) {
    const HexReading reading = ReadHex(hexText);
    if (reading.overflow) return "";
    std::int64_t code = reading.value;
    // A code of up to four digits from 8000 up reads as a negative 16-bit value.
    if (code < 0 && reading.digits <= 4) code += 65536;
    if (code < 0) return "";
    return CharacterForShiftJisCode(static_cast<std::uint32_t>(code)).value_or("");
}

}  // namespace tamro
