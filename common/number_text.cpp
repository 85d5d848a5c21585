#include "common/number_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tamro {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (!IsBlank(c)) out.push_back(c);
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

double NumericValue(std::string_view text) {
    const std::string s = WithoutBlanks(text);
    std::string number;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) number.push_back(s[i++]);
    bool digits = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        number.push_back(s[i++]);
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        number.push_back(s[i++]);
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            number.push_back(s[i++]);
            digits = true;
        }
    }
    if (!digits) return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::string exponent = "e";
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
        bool expDigits = false;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
            exponent.push_back(s[j++]);
            expDigits = true;
        }
        if (expDigits) number += exponent;
    }
    const double value = std::strtod(number.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
}

HexReading ReadHex(std::string_view text) {
    HexReading reading;
    std::uint64_t accumulated = 0;
    for (char c : text) {
        if (IsBlank(c)) continue;
        const int digit = HexDigit(c);
        if (digit < 0) break;
        ++reading.digits;
        if (reading.digits <= 8) accumulated = accumulated * 16 + static_cast<unsigned>(digit);
    }
    if (reading.digits > 8) {
        reading.overflow = true;
    } else if (reading.digits > 4) {
        reading.value = static_cast<std::int32_t>(static_cast<std::uint32_t>(accumulated));
    } else {
        reading.value = static_cast<std::int16_t>(static_cast<std::uint16_t>(accumulated));
    }
    return reading;
}

std::int32_t HexValue(std::string_view text) {
    const HexReading reading = ReadHex(text);
    return reading.overflow ? 0 : reading.value;
}

std::int16_t HexValue16(std::string_view text) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(HexValue(text) & 0xFFFF));
}

double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

std::string HexText(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", value);
    return buffer;
}

std::string HexText16(std::int16_t value) {
    return HexText(static_cast<std::uint16_t>(value));
}

std::string HexText32(std::int32_t value) {
    return HexText(static_cast<std::uint32_t>(value));
}

std::string HexByte2(std::uint8_t value) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, "%02X", value);
    return buffer;
}

std::string SignedDecimalText(long long value) {
    return (value < 0 ? "" : " ") + std::to_string(value);
}

std::string GeneralNumberText(double value, int significantDigits) {
    if (!std::isfinite(value)) return "0";
    if (value == 0.0) return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", significantDigits, value);
    std::string text = buffer;
    // Exponent form as the panel writes it: "1E+20", "1E-07".
    const std::size_t e = text.find('E');
    if (e != std::string::npos) {
        std::string mantissa = text.substr(0, e);
        std::string exponent = text.substr(e + 1);
        if (mantissa.find('.') != std::string::npos) {
            while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
            if (!mantissa.empty() && mantissa.back() == '.') mantissa.pop_back();
        }
        const char sign = exponent[0] == '-' ? '-' : '+';
        std::size_t start = (exponent[0] == '-' || exponent[0] == '+') ? 1 : 0;
        std::string digits = exponent.substr(start);
        while (digits.size() > 2 && digits[0] == '0') digits.erase(0, 1);
        if (digits.size() < 2) digits.insert(0, "0");
        return mantissa + "E" + sign + digits;
    }
    return text;
}

std::string FormatPattern(double value, std::string_view pattern) {
    const std::size_t dot = pattern.find('.');
    const int decimals =
        dot == std::string_view::npos ? 0 : static_cast<int>(pattern.size() - dot - 1);
    if (!std::isfinite(value)) value = 0.0;
    // Round half away from zero on the decimal scale, as number formats do.
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale + (value >= 0 ? 1e-9 : -1e-9)) / scale;
    if (rounded == 0.0) rounded = 0.0;  // no "-0.0"
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, rounded);
    return buffer;
}

std::string BitString16(std::uint16_t word) {
    std::string text;
    for (int bit = 15; bit >= 0; --bit) {
        text.push_back((word >> bit) & 1 ? '1' : '0');
        if (bit % 4 == 0 && bit != 0) text.push_back(' ');
    }
    return text;
}

std::string BitString8(std::uint8_t value) {
    std::string text;
    for (int bit = 7; bit >= 0; --bit) {
        text.push_back((value >> bit) & 1 ? '1' : '0');
        if (bit == 4) text.push_back(' ');
    }
    return text;
}

}  // namespace tamro
