#pragma once
// The programmer's logic input: a periodic signal in clock time, and the
// instruments that read it (frequency counter, event counter, logic capture).

#include <array>
#include <chrono>
#include <cstdint>

#include "common/platform.h"

namespace tamro::emu {

// A periodic rectangular signal; high from the start of each period for
// `duty` of it. Frequency 0 is a constant low input.
struct PeriodicSignal {
    double frequencyHz = 1000.0;
    double duty = 0.5;
};

class SignalSource {
  public:
    using Nanoseconds = std::chrono::nanoseconds;

    SignalSource(PeriodicSignal signal, Clock& clock);

    // Level at `time` since the signal's origin (the construction time).
    bool LevelAt(Nanoseconds time) const;
    // Rising edges in [from, to).
    std::uint64_t RisingEdges(Nanoseconds from, Nanoseconds to) const;
    // Time of the first rising (or falling) edge at or after `time`.
    Nanoseconds NextEdge(Nanoseconds time, bool rising) const;
    Nanoseconds Now() const;

    // Command 60: count over a gate of 100 ms (gate 0) or 1 s (gate 1) from now.
    // Reply bytes 0, 1 = count (high, low), byte 2 = times the 16 bits overflowed.
    std::array<std::uint8_t, 8> FrequencyCount(std::uint8_t gate);

    // Command 61: 0 reset, 1 read, 2 start, 3 stop. Counts rising edges over
    // clock time while started.
    std::array<std::uint8_t, 8> EventCounter(std::uint8_t action);

    // Command 54: arm with sample time (0.1 ms units; 0 samples as 1) and trigger
    // edge (1 rising, 0 falling); the capture of 480 samples starts at the next edge.
    void ArmCapture(std::uint8_t sampleTime, std::uint8_t risingEdge);
    // Command 55: block 0 to 7 of the capture.
    std::array<std::uint8_t, 8> CaptureBlock(std::uint8_t block) const;

    static constexpr int kCaptureSamples = 480;
    static constexpr int kCaptureBytes = 64;

  private:
    static std::array<std::uint8_t, 8> CountReply(std::uint64_t count);

    PeriodicSignal signal_;
    Clock& clock_;
    std::chrono::steady_clock::time_point origin_;
    std::int64_t periodNs_ = 0;
    std::int64_t highNs_ = 0;

    std::uint64_t eventCount_ = 0;
    bool eventCounting_ = false;
    Nanoseconds eventSince_{0};

    std::array<std::uint8_t, kCaptureBytes> capture_{};
};

}  // namespace tamro::emu
