#include "images/checksum.h"

#include <numeric>

namespace tamro {

std::uint16_t ImageChecksum(const Images& images, const ConfigBytes& configMask) {
    unsigned sum = std::accumulate(images.program.begin(), images.program.end(), 0u);
    for (int i = 0; i < kConfigSize; ++i) sum += images.config[i] & configMask[i];
    return static_cast<std::uint16_t>(sum);
}

}  // namespace tamro
