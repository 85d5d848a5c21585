#pragma once
// The emulated programmer: the programmer's firmware and an attached PIC18
// target, answering every command packet with exactly one 8-byte reply.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "common/platform.h"
#include "emulator/signal_source.h"

namespace tamro::emu {

using Block = std::array<std::uint8_t, 8>;

enum class Device { Pic18F452, Pic18F4520 };

class Pic18Target;

struct Options {
    Device device = Device::Pic18F452;
    int revision = 7;
    // Where the target's memory is kept between runs; empty keeps it in memory only.
    std::string stateFile;
    bool targetAttached = true;
    std::chrono::microseconds latency{0};
    // The logic input and the voltages at the "Vin" and "Sab" inputs.
    PeriodicSignal signal;
    double vinVolts = 9.0;
    double sabVolts = 5.0;
    // Time source of the logic input and the latency; the system clock when null.
    Clock* clock = nullptr;

    // TAMRO18_EMULATOR_DEVICE ("18F452", "18F4520") and the other
    // TAMRO18_EMULATOR_* variables (see the README).
    static Options FromEnvironment();
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

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tamro::emu
