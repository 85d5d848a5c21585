#include "firmware/sim/pin_target.h"

#include <chrono>

namespace tamro::sim {
namespace {

namespace icsp = protocol::icsp;

bool IsRead(std::uint8_t command) {
    return command == icsp::kShiftOutTablat ||
           (command >= icsp::kTableRead && command <= icsp::kTableReadPreIncrement);
}

}  // namespace

PinTiming PinTimingFor(emu::Family family) {
    PinTiming timing;
    if (family == emu::Family::Fxx2) {
        timing.p10Discharge = 5 * kMicrosecond;
        timing.p11Erase = 10 * kMillisecond;
    } else {
        timing.p10Discharge = 100 * kMicrosecond;
        timing.p11Erase = 5 * kMillisecond;
    }
    return timing;
}

PinLevelTarget::PinLevelTarget(emu::Pic18Target& target, std::function<void(bool)> drivePgd)
    : target_(target),
      drivePgd_(std::move(drivePgd)),
      timing_(PinTimingFor(target.Facts().family)) {}

std::uint64_t PinLevelTarget::ViolationCount() const {
    std::uint64_t total = 0;
    for (const auto& [rule, count] : violations_) total += count;
    return total;
}

void PinLevelTarget::Violation(const std::string& rule) {
    ++violations_[rule];
}

void PinLevelTarget::Check(bool kept, const char* rule) {
    if (!kept) Violation(rule);
}

// Self-timed work on the target (a data EEPROM write) runs with simulated
// time; each decoded command has already counted its own ICSP time.
void PinLevelTarget::Advance(Picoseconds now) {
    if (now > elapsedTo_) {
        target_.Elapse(std::chrono::microseconds((now - elapsedTo_) / kMicrosecond));
        elapsedTo_ += (now - elapsedTo_) / kMicrosecond * kMicrosecond;
    }
}

void PinLevelTarget::ResetDecoder() {
    phase_ = Phase::Command;
    bits_ = 0;
    shift_ = 0;
    programmingPending_ = false;
    heldNop_ = false;
    eraseKeyWritten_ = false;
    if (targetDriving_) {
        targetDriving_ = false;
        drivePgd_(false);
    }
}

void PinLevelTarget::Supply(bool on, Picoseconds now) {
    if (on == supply_) return;
    Advance(now);
    if (!on) {
        // VDD falls P17 after MCLR/Vpp has left VIHH.
        Check(vpp_ != 2 && (vppOffAt_ < 0 || now - vppOffAt_ >= timing_.p17VppToVdd), "P17");
    }
    supply_ = on;
    if (on) supplyOnAt_ = now;
    const bool wasProgramming = target_.InProgrammingMode();
    target_.SetPowered(on);
    if (wasProgramming != target_.InProgrammingMode()) ResetDecoder();
}

void PinLevelTarget::Vpp(int level, Picoseconds now) {
    if (level == vpp_) return;
    Advance(now);
    if (level == 2) {
        // High-voltage entry: VDD up P13 before, PGC and PGD low.
        Check(supply_ && now - supplyOnAt_ >= timing_.p13VddToVpp, "P13");
        Check(!pgc_ && !(pgdDriven_ && pgdLevel_), "PGC and PGD low at entry");
        vppHighAt_ = now;
        awaitingFirstClock_ = true;
    }
    if (vpp_ == 2) vppOffAt_ = now;
    vpp_ = level;
    const bool wasProgramming = target_.InProgrammingMode();
    target_.SetVppLevel(level);
    if (wasProgramming != target_.InProgrammingMode()) ResetDecoder();
}

void PinLevelTarget::HostPgd(bool level, bool driven, Picoseconds now) {
    if (driven && targetDriving_) Violation("PGD driven by both sides");
    const bool changed = driven != pgdDriven_ || (driven && level != pgdLevel_);
    pgdLevel_ = level;
    pgdDriven_ = driven;
    if (!changed || !driven) return;
    lastPgdChange_ = now;
    // Data held P4 after the falling edge that latched it.
    if (fallLatched_ && !pgc_ && lastFall_ >= 0) Check(now - lastFall_ >= timing_.p4Hold, "P4");
}

void PinLevelTarget::Pgc(bool high, Picoseconds now) {
    if (high == pgc_) return;
    pgc_ = high;
    if (!target_.InProgrammingMode()) return;
    if (high) {
        Rising(now);
    } else {
        Falling(now);
    }
}

void PinLevelTarget::Rising(Picoseconds now) {
    if (awaitingFirstClock_) {
        Check(now - vppHighAt_ >= timing_.p12VppToClock, "P12");
        awaitingFirstClock_ = false;
    }
    if (lastRise_ >= 0) Check(now - lastRise_ >= timing_.p2ClockPeriod, "P2");
    if (lastFall_ >= 0) Check(now - lastFall_ >= timing_.p2aClockLow, "P2A");
    if (bits_ == 0 && lastFall_ >= 0) {
        switch (phase_) {
            case Phase::Command:
                Check(now - lastFall_ >= timing_.p5aOperandToCommand, "P5A");
                break;
            case Phase::Operand:
                if (heldNop_) {
                    Check(now - lastFall_ >= timing_.p10Discharge, "P10");
                } else {
                    Check(now - lastFall_ >= timing_.p5CommandToOperand, "P5");
                }
                if (eraseStartedAt_ >= 0) {
                    Check(now - eraseStartedAt_ >= timing_.p11Erase, "P11");
                    eraseStartedAt_ = -1;
                }
                break;
            case Phase::ReadIgnored:
                Check(now - lastFall_ >= timing_.p5CommandToOperand, "P5");
                break;
            case Phase::ReadOut:
                Check(now - lastFall_ >= timing_.p6CommandToRead, "P6");
                break;
        }
    }
    if (phase_ == Phase::ReadOut) {
        if (pgdDriven_) Violation("PGD driven by both sides");
        targetDriving_ = true;
        drivePgd_(((readValue_ >> bits_) & 1) != 0);
    }
    lastRise_ = now;
    fallLatched_ = false;
}

void PinLevelTarget::Falling(Picoseconds now) {
    if (lastRise_ >= 0) Check(now - lastRise_ >= timing_.p2bClockHigh, "P2B");
    const bool hostData = phase_ != Phase::ReadOut;
    if (hostData) {
        if (!pgdDriven_) {
            Violation("PGD not driven at a latching edge");
        } else {
            Check(lastPgdChange_ < 0 || now - lastPgdChange_ >= timing_.p3Setup, "P3");
        }
        if (pgdLevel_) shift_ |= 1u << bits_;
    }
    const Picoseconds highTime = lastRise_ >= 0 ? now - lastRise_ : 0;
    lastFall_ = now;
    fallLatched_ = hostData;
    ++bits_;
    switch (phase_) {
        case Phase::Command:
            if (bits_ == 4) {
                if (programmingPending_ && shift_ == icsp::kCoreInstruction) {
                    // The fourth clock of the programming NOP: held for P9.
                    Check(highTime >= timing_.p9Programming, "P9");
                }
                CommandComplete(now);
            }
            break;
        case Phase::Operand:
            if (bits_ == 16) OperandComplete(now);
            break;
        case Phase::ReadIgnored:
            if (bits_ == 8) {
                phase_ = Phase::ReadOut;
                bits_ = 0;
            }
            break;
        case Phase::ReadOut:
            if (bits_ == 8) {
                targetDriving_ = false;
                drivePgd_(false);
                phase_ = Phase::Command;
                bits_ = 0;
                shift_ = 0;
            }
            break;
    }
}

void PinLevelTarget::CommandComplete(Picoseconds now) {
    command_ = static_cast<std::uint8_t>(shift_ & 0x0F);
    bits_ = 0;
    shift_ = 0;
    ++commands_;
    Advance(now);
    if (programmingPending_) {
        programmingPending_ = false;
        if (command_ == icsp::kCoreInstruction) {
            heldNop_ = true;
            target_.ProgrammingNop();
        } else {
            Violation("P9");  // the write was never given its programming NOP
        }
    }
    if (IsRead(command_)) {
        readValue_ = target_.Icsp(command_, 0);
        elapsedTo_ += emu::kIcspCommandTime.count() * kMicrosecond;
        phase_ = Phase::ReadIgnored;
    } else {
        phase_ = Phase::Operand;
    }
}

void PinLevelTarget::OperandComplete(Picoseconds now) {
    const auto operand = static_cast<std::uint16_t>(shift_);
    bits_ = 0;
    shift_ = 0;
    phase_ = Phase::Command;
    Advance(now);
    if (heldNop_) {
        heldNop_ = false;
        return;
    }
    const bool startsProgramming =
        command_ == icsp::kTableWriteStartProgramming ||
        (command_ == icsp::kTableWrite1110 && target_.Facts().family != emu::Family::Fxx2);
    const bool eraseKey =
        command_ == icsp::kTableWrite && target_.Tblptr() == emu::kEraseControlLow;
    const bool eraseNop = eraseKeyWritten_ && command_ == icsp::kCoreInstruction;
    target_.Icsp(command_, operand);
    elapsedTo_ += emu::kIcspCommandTime.count() * kMicrosecond;
    if (startsProgramming) programmingPending_ = true;
    if (eraseNop) {
        // The bulk erase runs from the end of this NOP; the next operand waits P11.
        target_.ProgrammingNop();
        eraseStartedAt_ = now;
        eraseKeyWritten_ = false;
    }
    if (eraseKey) eraseKeyWritten_ = true;
}

}  // namespace tamro::sim
