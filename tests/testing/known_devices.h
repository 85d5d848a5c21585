#pragma once
// Facts of the 18F452 and the 18F4520 as their programming specifications
// give them (DS39576, DS39622 Table 5-1), kept apart from the device table so
// that tests check the table and what follows it against the documents.

#include <array>
#include <cstdint>

namespace tamro {

inline constexpr std::array<std::uint8_t, 14> kConfigMask18F452{
    0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
inline constexpr std::array<std::uint8_t, 14> kConfigMask18F4520{
    0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};

}  // namespace tamro
