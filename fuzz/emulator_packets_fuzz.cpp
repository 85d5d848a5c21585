// Any sequence of 8-byte command packets to the emulated programmer. The
// first input byte sets the scene (bit 0: 18F4520 instead of 18F452, bit 1:
// no target attached); the rest is cut into packets, a short tail ignored.
// No state file is named, so nothing is written to disk.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/protocol.h"
#include "emulator/programmer.h"

namespace {

// Moves on a little at every look, so runs repeat exactly and the signal
// instruments see time pass without waiting.
class SteppingClock final : public tamro::Clock {
  public:
    std::chrono::steady_clock::time_point Now() override {
        now_ += std::chrono::microseconds(37);
        return now_;
    }
    void SleepFor(std::chrono::microseconds duration) override { now_ += duration; }

  private:
    std::chrono::steady_clock::time_point now_{};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    SteppingClock clock;
    tamro::emu::Options options;
    options.device = data[0] & 1 ? tamro::emu::Device::Pic18F4520 : tamro::emu::Device::Pic18F452;
    options.targetAttached = (data[0] & 2) == 0;
    options.stateFile.clear();
    options.clock = &clock;
    tamro::emu::Programmer programmer(options);

    std::uint64_t sent = 0;
    for (std::size_t at = 1; at + 8 <= size; at += 8) {
        tamro::emu::Block packet{};
        std::copy_n(data + at, 8, packet.begin());
        programmer.Exchange(packet);
        ++sent;
    }
    if (programmer.Exchanges() != sent) std::abort();
    using tamro::protocol::Code;
    using tamro::protocol::VppLevel;
    if (programmer.VppLevel() < 0 || programmer.VppLevel() > Code(VppLevel::Programming)) {
        std::abort();
    }
    if (!programmer.SaveState()) std::abort();
    return 0;
}
