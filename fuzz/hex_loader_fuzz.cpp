// Any bytes as a HEX file, for a device of each memory size (the input's
// length picks it): the loader never crashes, never stores outside the
// device's memories, a failed load changes nothing and a successful one
// always leaves data marked loaded.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "images/hex_loader.h"

namespace {

struct Memories {
    int flash;
    int eeprom;
};
// The two group devices, a 64 KB device with 1 KB of EEPROM, a 16 KB one without EEPROM.
constexpr Memories kDevices[] = {{tamro::kProgramBytes, tamro::kEepromBytes},
                                 {tamro::kMaxProgramBytes, tamro::kMaxEepromBytes},
                                 {16384, 0}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
    const Memories& device = kDevices[size % std::size(kDevices)];
    tamro::Images images;
    images.flashBytes = device.flash;
    images.eepromBytes = device.eeprom;
    images.program.fill(0x5A);
    const tamro::Images before = images;
    const tamro::HexLoadOutcome outcome = tamro::HEX_LOAD(text, images);
    if (outcome.ok && images.haveData != 1) std::abort();
    if (!outcome.ok && (outcome.errorText.empty() || !(images == before))) std::abort();
    if (images.lastAddress < 0 || 2 * images.lastAddress > device.flash) std::abort();
    // Beyond the device's flash the image is as it was or erased, never loaded.
    const std::uint8_t beyond = images.program.back();
    if ((beyond != 0x5A && beyond != 0xFF) ||
        std::any_of(images.program.begin() + device.flash, images.program.end(),
                    [beyond](std::uint8_t byte) { return byte != beyond; }) ||
        std::any_of(images.eepromPresent.begin() + device.eeprom, images.eepromPresent.end(),
                    [](bool present) { return present; })) {
        std::abort();
    }
    return 0;
}
