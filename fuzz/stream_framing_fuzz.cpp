// Any bytes as the daemon's input stream, arriving in pieces of any length
// with pauses of any length between them: every byte ends in exactly one
// packet or in the partial one, or is dropped with a partial packet gone
// stale; without a stale pause the packets are the stream cut in eights.
//
// Each piece is a length byte (its low 7 bits, up to 127 bytes), then that
// many stream bytes; the length byte's top bit puts a pause beyond the stale
// limit before the piece.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "emulator/packet_framing.h"

using tamro::emu::Block;
using tamro::emu::PacketFramer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr auto kStale = std::chrono::milliseconds(1000);
    PacketFramer framer(kStale);
    PacketFramer::Clock::time_point now{}, lastByte{};
    std::string stream, framed;
    std::size_t dropped = 0;
    bool paused = false;
    for (std::size_t at = 0; at < size;) {
        const std::uint8_t head = data[at++];
        const std::size_t length = std::min<std::size_t>(head & 0x7F, size - at);
        const std::span<const std::uint8_t> piece(data + at, length);
        at += length;
        now += (head & 0x80) ? kStale + std::chrono::milliseconds(1) : std::chrono::milliseconds(1);
        if (length > 0) {
            if (now - lastByte > kStale && framer.Held() > 0) {
                paused = true;
                dropped += framer.Held();
            }
            lastByte = now;
        }
        stream.append(piece.begin(), piece.end());
        for (const Block& packet : framer.Take(piece, now))
            framed.append(packet.begin(), packet.end());
        if (framer.Held() >= sizeof(Block) || framer.Held() + framer.Missing() != sizeof(Block)) {
            std::abort();
        }
    }
    if (framed.size() % sizeof(Block) != 0) std::abort();
    if (framed.size() + framer.Held() + dropped != stream.size()) std::abort();
    if (!paused && framed != stream.substr(0, framed.size())) std::abort();
    return 0;
}
