#include "emulator/packet_framing.h"

#include <algorithm>

namespace tamro::emu {

std::vector<Block> PacketFramer::Take(std::span<const std::uint8_t> bytes, Clock::time_point now) {
    std::vector<Block> packets;
    if (bytes.empty()) return packets;
    DropStale(now);
    lastByte_ = now;
    while (!bytes.empty()) {
        const std::size_t taken = std::min(bytes.size(), Missing());
        std::copy_n(bytes.begin(), taken, partial_.begin() + static_cast<std::ptrdiff_t>(held_));
        held_ += taken;
        bytes = bytes.subspan(taken);
        if (held_ == partial_.size()) {
            packets.push_back(partial_);
            held_ = 0;
        }
    }
    return packets;
}

void PacketFramer::DropStale(Clock::time_point now) {
    if (held_ && now - lastByte_ > staleAfter_) held_ = 0;
}

}  // namespace tamro::emu
