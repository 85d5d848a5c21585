// Any bytes as the emulator's state file: the loader never crashes, and what
// it accepts has exactly the device's memory sizes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "emulator/device_facts.h"
#include "emulator/state_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const tamro::emu::Device& device :
         {tamro::emu::Device::Pic18F452, tamro::emu::Device::Pic18F4520}) {
        const auto memory = tamro::emu::StateFromBytes(bytes, device);
        if (!memory) continue;
        const tamro::emu::DeviceFacts& facts = tamro::emu::FactsFor(device);
        if (memory->flash.size() != facts.flashSize || memory->eeprom.size() != facts.eepromSize) {
            std::abort();
        }
    }
    return 0;
}
