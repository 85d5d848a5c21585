#pragma once
// What each device group implements of the configuration bytes.

#include "images/images.h"

namespace tamro {

// Implemented bits of the configuration bytes 300000h to 30000Dh (an
// unimplemented bit reads 0), from Microchip's programming specifications:
// DS39576 for the 18F452 group, DS39622 for the 18F4520 group.
inline constexpr ConfigBytes kConfigMask18F452{0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85,
                                               0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
inline constexpr ConfigBytes kConfigMask18F4520{0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5,
                                                0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};

}  // namespace tamro
