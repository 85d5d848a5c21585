#pragma once
// The daemon's byte stream cut into the programmer's fixed-size packets.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "emulator/programmer.h"

namespace tamro::emu {

// Bytes in, whole packets out. A packet left incomplete longer than the stale
// limit belongs to a client that has gone: its bytes are dropped when the
// next ones arrive (or on DropStale), so that the next client's packets are
// not read out of step.
class PacketFramer {
  public:
    using Clock = std::chrono::steady_clock;

    explicit PacketFramer(Clock::duration staleAfter) : staleAfter_(staleAfter) {}

    // The bytes that arrived at `now`, of any length; the packets they
    // complete, in order.
    std::vector<Block> Take(std::span<const std::uint8_t> bytes, Clock::time_point now);
    // Drops a partial packet whose last byte is older than the stale limit.
    void DropStale(Clock::time_point now);
    // Bytes held of an incomplete packet, and how many it still lacks.
    std::size_t Held() const { return held_; }
    std::size_t Missing() const { return partial_.size() - held_; }

  private:
    Clock::duration staleAfter_;
    Block partial_{};
    std::size_t held_ = 0;
    Clock::time_point lastByte_{};
};

}  // namespace tamro::emu
