#pragma once
// The image checksum programmer tools show for a PIC18 without code
// protection: every program memory byte plus every configuration byte ANDed
// with the device's implemented-bit mask, the sum kept to its low 16 bits.

#include <cstdint>
#include <string>

#include "images/images.h"

namespace tamro {

// Sum of the device's program bytes (0 to flashBytes - 1) and of
// configuration bytes 0 to 13 under `configMask`, modulo 10000h. The ID
// locations and the data EEPROM do not count (Microchip adds the ID locations
// only for a code-protected device). A program image that holds nothing yet
// sums as the erased chip's FFh bytes.
std::uint16_t ImageChecksum(const Images& images, const ConfigBytes& configMask);
// Four hexadecimal digits and "h": "82D8h".
std::string ChecksumText(std::uint16_t checksum);

}  // namespace tamro
