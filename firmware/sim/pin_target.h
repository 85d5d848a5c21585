#pragma once
// A PIC18 target seen at its pins: MCLR/Vpp, VDD, PGC and PGD. It decodes the
// 4-bit ICSP commands and their operands from the clock edges, drives PGD in
// the read phases, and hands every decoded command to the emulated target
// model, so memory behaviour is the emulator's. On every edge it checks the
// programming specifications' pin timing (DS39576, DS39622) and counts each
// rule broken by its name.

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "emulator/pic18_target.h"

namespace tamro::sim {

// Simulated time in picoseconds (an AVR cycle at 16 MHz is 62500).
using Picoseconds = std::int64_t;

inline constexpr Picoseconds kNanosecond = 1000;
inline constexpr Picoseconds kMicrosecond = 1000 * kNanosecond;
inline constexpr Picoseconds kMillisecond = 1000 * kMicrosecond;

// Pin timing of high-voltage ICSP at VDD = 5 V.
struct PinTiming {
    Picoseconds p2ClockPeriod = 100 * kNanosecond;
    Picoseconds p2aClockLow = 40 * kNanosecond;
    Picoseconds p2bClockHigh = 40 * kNanosecond;
    Picoseconds p3Setup = 15 * kNanosecond;
    Picoseconds p4Hold = 15 * kNanosecond;
    Picoseconds p5CommandToOperand = 40 * kNanosecond;
    Picoseconds p5aOperandToCommand = 40 * kNanosecond;
    Picoseconds p6CommandToRead = 20 * kNanosecond;
    Picoseconds p9Programming = 1 * kMillisecond;
    Picoseconds p10Discharge = 0;
    Picoseconds p11Erase = 0;
    Picoseconds p12VppToClock = 2 * kMicrosecond;
    Picoseconds p13VddToVpp = 100 * kNanosecond;
    Picoseconds p17VppToVdd = 100 * kNanosecond;
};

// The family's figures: P10 5 us and P11 10 ms (18FXX2), 100 us and 5 ms (18F2XXX/4XXX).
PinTiming PinTimingFor(emu::Family family);

class PinLevelTarget {
  public:
    // `drivePgd` is called with the level the target puts on PGD while it
    // drives it in a read phase.
    PinLevelTarget(emu::Pic18Target& target, std::function<void(bool level)> drivePgd);

    void Supply(bool on, Picoseconds now);
    // 0: 0 V, 1: 5 V, 2: the programming voltage VIHH.
    void Vpp(int level, Picoseconds now);
    void Pgc(bool high, Picoseconds now);
    // PGD as the programmer leaves it: its level, and whether it drives it.
    void HostPgd(bool level, bool driven, Picoseconds now);

    // Rule name -> times broken.
    const std::map<std::string, std::uint64_t>& Violations() const { return violations_; }
    std::uint64_t ViolationCount() const;
    std::uint64_t CommandsDecoded() const { return commands_; }

  private:
    enum class Phase { Command, Operand, ReadIgnored, ReadOut };

    void Violation(const std::string& rule);
    void Check(bool kept, const char* rule);
    void Advance(Picoseconds now);
    void ResetDecoder();
    void Rising(Picoseconds now);
    void Falling(Picoseconds now);
    void CommandComplete(Picoseconds now);
    void OperandComplete(Picoseconds now);

    emu::Pic18Target& target_;
    std::function<void(bool)> drivePgd_;
    PinTiming timing_;

    bool supply_ = false;
    int vpp_ = 0;
    Picoseconds supplyOnAt_ = 0;
    Picoseconds vppOffAt_ = -1;
    Picoseconds vppHighAt_ = 0;
    bool awaitingFirstClock_ = false;

    bool pgc_ = false;
    bool pgdLevel_ = false;
    bool pgdDriven_ = false;
    Picoseconds lastRise_ = -1;
    Picoseconds lastFall_ = -1;
    Picoseconds lastPgdChange_ = -1;
    bool fallLatched_ = false;

    Phase phase_ = Phase::Command;
    int bits_ = 0;
    std::uint32_t shift_ = 0;
    std::uint8_t command_ = 0;
    std::uint8_t readValue_ = 0;
    bool targetDriving_ = false;
    // A start-programming write was decoded: the next command must be the NOP
    // whose fourth clock is held for P9, then low for P10.
    bool programmingPending_ = false;
    bool heldNop_ = false;
    // An erase key went to 3C0004h: the next NOP starts the bulk erase, and no
    // operand may be clocked in before it has had P11.
    bool eraseKeyWritten_ = false;
    Picoseconds eraseStartedAt_ = -1;

    Picoseconds elapsedTo_ = 0;
    std::uint64_t commands_ = 0;
    std::map<std::string, std::uint64_t> violations_;
};

}  // namespace tamro::sim
