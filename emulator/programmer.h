#pragma once
// The emulated programmer: the programmer's firmware and an attached PIC18
// target, answering every command packet with exactly one 8-byte reply.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace tamro::emu {

using Block = std::array<std::uint8_t, 8>;

enum class Device { Pic18F452, Pic18F4520 };

struct Options {
    Device device = Device::Pic18F452;
    int revision = 7;
    // Where the target's memory is kept between runs; empty keeps it in memory only.
    std::string stateFile;
    bool targetAttached = true;
    std::chrono::microseconds latency{0};

    // TAMRO18_EMULATOR_DEVICE ("18F452", "18F4520") and the other
    // TAMRO18_EMULATOR_* variables.
    static Options FromEnvironment();
};

class Programmer {
  public:
    explicit Programmer(Options options);
    ~Programmer();
    Programmer(const Programmer&) = delete;
    Programmer& operator=(const Programmer&) = delete;

    Block Exchange(const Block& packet);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tamro::emu
