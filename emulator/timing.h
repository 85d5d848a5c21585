#pragma once
// How long the emulated programmer takes. The firmware serves packets one at a
// time in the order they arrive; each takes the target's time for its ICSP
// commands and programming waits. The link in front of it is a delay line: a
// reply leaves `linkLatency` after its packet was served, and packets may be
// on the wire while earlier ones are still being served.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "emulator/programmer.h"

namespace tamro::emu {

// The target's time for one command packet at `icspKhz`: its ICSP commands,
// a programming NOP's discharge time after the hold, a programming wait's
// milliseconds. Commands that do not reach the target take no time.
std::chrono::nanoseconds TargetTime(const Block& packet, Device device, int icspKhz);

// What one operation cost: a run of packets with no pause of `kOperationGap`
// or more between a reply and the next packet.
struct OperationTiming {
    std::uint64_t packets = 0;
    // The floor no host can beat on this link: the target's time alone.
    std::chrono::nanoseconds targetBusy{0};
    // From the first packet's arrival to the last reply's departure.
    std::chrono::nanoseconds wall{0};
};

inline constexpr std::chrono::milliseconds kOperationGap{500};

// "operation: 23645 packets, target busy 2.754 s, wall 3.012 s"
std::string OperationTimingText(const OperationTiming& timing);

class Timeline {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;

    Timeline(TimingOptions options, Device device);

    // `packet` arrived at `arrival` (arrivals come in order); returns when its
    // reply leaves. A packet after a pause of kOperationGap starts a new
    // operation; the finished one is then kept for TakeFinished().
    TimePoint Accept(const Block& packet, TimePoint arrival);

    // The operation under way when nothing has arrived for kOperationGap
    // after its last reply by `now`; it is finished then.
    std::optional<OperationTiming> FinishIfIdle(TimePoint now);
    // Finishes the operation under way, if any (at the end of a connection).
    std::optional<OperationTiming> Finish();
    // An operation that Accept() found finished, once.
    std::optional<OperationTiming> TakeFinished();

    bool OperationUnderWay() const { return current_.packets > 0; }

  private:
    TimingOptions options_;
    Device device_;
    TimePoint firmwareFree_{};
    TimePoint lastDeparture_{};
    TimePoint operationStart_{};
    OperationTiming current_;
    std::optional<OperationTiming> finished_;
};

}  // namespace tamro::emu
