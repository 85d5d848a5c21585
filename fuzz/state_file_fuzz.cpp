// Any bytes as the emulator's state file: the loader never crashes, and what
// it accepts has exactly the device's memory sizes. The first byte's low bits
// let the input stand as a whole file of the device's size after the
// file's magic, so the fuzzer reaches the checks beyond the size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "emulator/device_facts.h"
#include "emulator/state_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t shape = data[0];
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    for (const tamro::emu::Device& device :
         {tamro::emu::Device::Pic18F452, tamro::emu::Device::Pic18F4520}) {
        const tamro::emu::DeviceFacts& facts = tamro::emu::FactsFor(device);
        std::string file = bytes;
        if (shape & 1) file.insert(0, "TEMUST01");
        if (shape & 2) {
            file.resize(8 + 1 + facts.flashSize + facts.eepromSize + tamro::emu::kConfigSize +
                            tamro::emu::kIdSize + 4,
                        static_cast<char>(0xFF));
        }
        const auto memory = tamro::emu::StateFromBytes(file, device);
        if (!memory) continue;
        if (memory->flash.size() != facts.flashSize || memory->eeprom.size() != facts.eepromSize) {
            std::abort();
        }
    }
    return 0;
}
