#include "tests/testing/fakes.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "emulator/programmer.h"

namespace tamro::testing {

std::int32_t RecordingDriver::DataWrite(const std::uint8_t* buffer, std::int32_t count) {
    ++writes;
    if (failWrites.count(writes)) return 0;
    Packet packet{};
    std::copy(buffer, buffer + std::min(count, 8), packet.begin());
    if (keepPackets) packets.push_back(packet);
    pendingReplies_.push_back(responder ? responder(packet) : Packet{});
    return count;
}

std::int32_t RecordingDriver::DataRead(std::uint8_t* buffer, std::int32_t count) {
    ++reads;
    const Packet reply = pendingReplies_.empty() ? Packet{} : pendingReplies_.front();
    if (!pendingReplies_.empty()) pendingReplies_.pop_front();
    if (failReads.count(reads)) {
        std::copy(reply.begin(), reply.begin() + std::min(partialReadBytes, 8), buffer);
        return partialReadBytes;
    }
    std::copy(reply.begin(), reply.begin() + std::min(count, 8), buffer);
    return count;
}

RecordingDriver::Responder EmulatorResponder() {
    auto programmer = std::make_shared<emu::Programmer>(emu::Options{});
    return [programmer](const Packet& packet) { return programmer->Exchange(packet); };
}

std::string PacketText(const Packet& packet) {
    std::string text;
    char buffer[4];
    for (std::size_t i = 0; i < packet.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02X", packet[i]);
        if (i) text += ' ';
        text += buffer;
    }
    return text;
}

std::vector<std::string> PacketTexts(const std::vector<Packet>& packets) {
    std::vector<std::string> texts;
    for (const Packet& packet : packets) texts.push_back(PacketText(packet));
    return texts;
}

}  // namespace tamro::testing
