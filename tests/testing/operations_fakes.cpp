#include "tests/testing/operations_fakes.h"

#include "common/protocol.h"

namespace tamro::testing {

RecordingDriver::Responder FlashMirror(std::shared_ptr<std::vector<std::uint8_t>> flash,
                                       std::uint16_t deviceId) {
    constexpr std::uint32_t kDevId1 = 0x3FFFFE;
    auto pointer = std::make_shared<std::uint32_t>(0);
    return [flash, pointer, deviceId](const Packet& packet) {
        Packet reply{};
        if (packet[0] == protocol::Code(protocol::Command::SetTablePointer)) {
            *pointer = static_cast<std::uint32_t>(packet[1]) << 16 | packet[2] << 8 | packet[3];
        } else if (packet[0] == protocol::Code(protocol::Command::TableRead) &&
                   packet[1] == protocol::icsp::kTableReadPostIncrement) {
            for (int i = 0; i < packet[2] && i < 8; ++i, ++*pointer) {
                if (*pointer == kDevId1 || *pointer == kDevId1 + 1) {
                    reply[i] = static_cast<std::uint8_t>(deviceId >> 8 * (*pointer - kDevId1));
                } else {
                    reply[i] = *pointer < flash->size() ? (*flash)[*pointer] : 0;
                }
            }
        }
        return reply;
    };
}

RecordingDriver::Responder EmulatedTarget(emu::Device device) {
    emu::Options options;
    options.device = device;
    auto programmer = std::make_shared<emu::Programmer>(options);
    return [programmer](const Packet& packet) { return programmer->Exchange(packet); };
}

}  // namespace tamro::testing
