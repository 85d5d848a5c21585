#include "images/checksum.h"

#include <cstdio>
#include <numeric>

namespace tamro {

std::uint16_t ImageChecksum(const Images& images, const ConfigBytes& configMask) {
    const auto flash = static_cast<unsigned>(images.flashBytes);
    unsigned sum = images.programHeld
                       ? std::accumulate(images.program.begin(), images.program.begin() + flash, 0u)
                       : flash * 0xFFu;
    for (int i = 0; i < kConfigSize; ++i) sum += images.config[i] & configMask[i];
    return static_cast<std::uint16_t>(sum);
}

std::string ChecksumText(std::uint16_t checksum) {
    char text[8];
    std::snprintf(text, sizeof text, "%04Xh", checksum);
    return text;
}

}  // namespace tamro
