#pragma once
// The programmer board in simulation: the firmware ELF runs in simavr's
// ATmega328P at 16 MHz; its UART is a pseudo-terminal for the host's serial
// backend; its port B drives a pin-level PIC18 target; its ADC inputs and the
// counter input see the voltages and the square wave the options give.
//
// The AVR runs as fast as the host machine allows while it works. While it
// waits for the host (asleep, nothing received), simulated time passes no
// faster than wall time, so the host's pauses and time-outs mean on the
// simulated board what they would mean on a real one.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "emulator/programmer.h"

namespace tamro::sim {

struct BoardOptions {
    // The firmware ELF; empty: tamro18-firmware.elf next to the program's folder.
    std::string firmware;
    emu::Device device = emu::Device::Pic18F452;
    int revision = 7;
    // Where the target's memory is kept between runs; empty keeps it in memory only.
    std::string stateFile;
    bool targetAttached = true;
    double vinVolts = 9.0;
    double sabVolts = 5.0;
    emu::PeriodicSignal signal;
    // Prints a line at every change of Vpp, the target supply or the LED.
    bool powerLog = false;
};

bool ParseBoardArguments(int argc, char** argv, BoardOptions& options, std::string& error,
                         bool& help);
std::string BoardUsage();

// Loads the firmware, prints the pseudo-terminal's path as the first line of
// `out` and runs until SIGINT or SIGTERM; then prints the simulated time and,
// last, "timing violations: N" (each rule broken above it). Returns the exit status.
int RunBoard(const BoardOptions& options, std::FILE* out);

}  // namespace tamro::sim
