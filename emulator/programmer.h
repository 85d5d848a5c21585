#pragma once
// The emulated programmer: the programmer's firmware and an attached PIC18
// target, answering every command packet with exactly one 8-byte reply.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "common/platform.h"
#include "emulator/signal_source.h"

namespace tamro::emu {

using Block = std::array<std::uint8_t, 8>;

// The emulated device, by its name in the device table ("18F452"); the
// target takes every fact it models from the table's entry.
struct Device {
    std::string name;
    static const Device Pic18F452;
    static const Device Pic18F4520;
    bool operator==(const Device&) const = default;
};
inline const Device Device::Pic18F452{"18F452"};
inline const Device Device::Pic18F4520{"18F4520"};

class Pic18Target;

inline constexpr int kDefaultIcspKhz = 1000;

// How long the emulated programmer takes (see emulator/timing.h).
struct TimingOptions {
    // ICSP clock: an ICSP command takes 4 + 16 clocks, a table read 4 + 8 + 8.
    int icspKhz = kDefaultIcspKhz;
    // The link's delay line: a reply leaves this long after its packet was served.
    std::chrono::microseconds linkLatency{0};
    // True: replies wait for the target's time. False: the target's time is
    // only counted, and replies leave after the link latency alone.
    bool realTime = false;
};

struct Options {
    Device device = Device::Pic18F452;
    int revision = 7;
    // Where the target's memory is kept between runs; empty keeps it in memory only.
    std::string stateFile;
    bool targetAttached = true;
    // Added to every exchange as a service time (the timing model aside).
    std::chrono::microseconds latency{0};
    TimingOptions timing;
    // The logic input and the voltages at the "Vin" and "Sab" inputs.
    PeriodicSignal signal;
    double vinVolts = 9.0;
    double sabVolts = 5.0;
    // Time source of the logic input and the latency; the system clock when null.
    Clock* clock = nullptr;
};

// The identification the emulated firmware answers to command 63.
inline constexpr char kIdentification[9] = "EMUL1830";

class Programmer {
  public:
    explicit Programmer(Options options);
    ~Programmer();
    Programmer(const Programmer&) = delete;
    Programmer& operator=(const Programmer&) = delete;

    Block Exchange(const Block& packet);

    const Options& GetOptions() const;
    Pic18Target& Target();
    const Pic18Target& Target() const;

    bool SupplyOn() const;
    bool LedOn() const;
    int VppLevel() const;
    int LineMode() const;

    std::uint64_t Exchanges() const;
    std::uint64_t UnknownCommands() const;
    // Notes on commands the firmware did not know or refused, oldest first.
    const std::deque<std::string>& Log() const;

    // Writes the target's memory to the state file now if it changed.
    // False when a write failed; true without a state file.
    bool SaveState();
    // What went wrong with the state file since the last call (a file kept
    // aside as corrupt, one that could not be read, a failed save), oldest first.
    std::vector<std::string> TakeStateProblems();
    // True once a save of the state file has failed.
    bool StateSaveFailed() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tamro::emu
