#include "emulator/programmer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "emulator/device_facts.h"
#include "emulator/pic18_target.h"
#include "emulator/state_file.h"

namespace tamro::emu {
namespace {

using protocol::AnalogChannel;
using protocol::Code;
using protocol::Command;
namespace instruction = protocol::instruction;

constexpr std::size_t kLogLines = 200;

// The analog inputs reach the converter through a 1/4.4 divider; the reply
// counts 50 per converter step of 0.0196 V, full scale 12750.
constexpr double kDivider = 4.4;
constexpr double kVoltsPerStep = 0.0196;
constexpr double kCountsPerStep = 50.0;
constexpr double kVppVolts[3] = {0.0, 5.0, 13.0};

std::uint16_t AnalogCount(double volts) {
    const double count = volts / kDivider / kVoltsPerStep * kCountsPerStep;
    if (!(count > 0)) return 0;
    return static_cast<std::uint16_t>(std::lround(std::min(count, 12750.0)));
}

}  // namespace

struct Programmer::State {
    explicit State(Options from)
        : options(std::move(from)),
          clock(options.clock ? *options.clock : SystemClock()),
          target(options.device, options.revision),
          signal(options.signal, clock) {}

    Options options;
    Clock& clock;
    Pic18Target target;
    SignalSource signal;
    bool supplyOn = true;  // the programmer powers the target from its own start
    bool ledOn = false;
    int vppLevel = 0;
    int lineMode = 0;
    std::uint64_t exchanges = 0;
    std::uint64_t unknownCommands = 0;
    std::deque<std::string> log;
    std::vector<std::string> stateProblems;
    bool saveFailed = false;

    void Note(std::string text) {
        if (log.size() == kLogLines) log.pop_front();
        log.push_back(std::move(text));
    }

    void StateProblem(std::string text) {
        Note(text);
        stateProblems.push_back(std::move(text));
    }

    void LoadState() {
        if (options.stateFile.empty()) return;
        StateFileLoad loaded = LoadStateFile(options.stateFile, options.device);
        if (loaded.memory) {
            target.SetMemory(*loaded.memory);
        } else {
            target.ResetMemoryToFactory();
        }
        if (!loaded.problem.empty()) StateProblem(std::move(loaded.problem));
        target.ClearMemoryChanged();
    }

    bool SaveState() {
        if (options.stateFile.empty() || !target.MemoryChanged()) return true;
        const FileResult saved = SaveStateFile(options.stateFile, options.device, target.Memory());
        if (!saved.ok()) {
            saveFailed = true;
            StateProblem(saved.error);
            return false;
        }
        target.ClearMemoryChanged();
        return true;
    }

    void SetPins() {
        const bool wasProgramming = target.InProgrammingMode();
        if (!wasProgramming && supplyOn && vppLevel == 2 && options.targetAttached) {
            // Another process may have programmed the shared chip since.
            if (!target.MemoryChanged()) LoadState();
        }
        target.SetPowered(supplyOn && options.targetAttached);
        target.SetVppLevel(vppLevel);
        if (wasProgramming && !target.InProgrammingMode()) SaveState();
    }
};

Programmer::Programmer(Options options) : state_(std::make_unique<State>(std::move(options))) {
    state_->LoadState();
    state_->SetPins();
}

Programmer::~Programmer() {
    state_->SaveState();
}

Block Programmer::Exchange(const Block& packet) {
    State& s = *state_;
    ++s.exchanges;
    if (s.options.latency.count() > 0) s.clock.SleepFor(s.options.latency);
    Block reply{};
    const std::uint8_t d1 = packet[1];
    switch (static_cast<Command>(packet[0])) {
        case Command::Icsp:  // ICSP command, operand d2 (high) d3 (low)
            reply[0] = s.target.Icsp(d1, static_cast<std::uint16_t>(packet[2] << 8 | packet[3]));
            break;
        case Command::SetTablePointer:  // TBLPTR = d1:d2:d3, loaded as a host does it, through W
            for (const auto& [value, tblptr] :
                 {std::pair{packet[1], sfr::kTblptru}, std::pair{packet[2], sfr::kTblptrh},
                  std::pair{packet[3], sfr::kTblptrl}}) {
                s.target.Icsp(icsp::kCoreInstruction,
                              static_cast<std::uint16_t>(instruction::kMovlwHigh << 8 | value));
                s.target.Icsp(icsp::kCoreInstruction,
                              static_cast<std::uint16_t>(instruction::kMovwfAccessHigh << 8 |
                                                         (tblptr & 0xFF)));
            }
            break;
        case Command::TableRead: {  // the read command d1 repeated d2 times, one byte each
            const int count = std::min<int>(packet[2], 8);
            for (int i = 0; i < count; ++i) {
                reply[static_cast<std::size_t>(i)] = s.target.Icsp(d1, 0);
            }
            break;
        }
        case Command::ProgrammingNop:
            s.target.ProgrammingNop();
            break;
        case Command::LineMode:
            s.lineMode = d1;
            break;
        case Command::VppLevel:
            if (d1 <= Code(protocol::VppLevel::Programming)) {
                s.vppLevel = d1;
                s.SetPins();
            } else {
                s.Note("Vpp level " + std::to_string(d1) + " ignored");
            }
            break;
        case Command::CaptureStart:
            s.signal.ArmCapture(d1, packet[2]);
            break;
        case Command::CaptureRead:
            reply = s.signal.CaptureBlock(d1);
            break;
        case Command::ProgrammingWait:  // d1 ms: the target's self-timed writes move on
            s.target.Elapse(std::chrono::milliseconds(d1));
            break;
        case Command::AnalogRead: {
            double volts = 0;
            if (d1 == Code(AnalogChannel::Vpp)) volts = kVppVolts[s.vppLevel];
            if (d1 == Code(AnalogChannel::Sab)) volts = s.options.sabVolts;
            if (d1 == Code(AnalogChannel::Vin)) volts = s.options.vinVolts;
            const std::uint16_t count = AnalogCount(volts);
            reply[0] = static_cast<std::uint8_t>(count >> 8);
            reply[1] = static_cast<std::uint8_t>(count);
            break;
        }
        case Command::TargetSupply:
            s.supplyOn = d1 != 0;
            s.SetPins();
            break;
        case Command::Led:
            s.ledOn = d1 != 0;
            break;
        case Command::FrequencyCount:
            reply = s.signal.FrequencyCount(d1);
            break;
        case Command::EventCounter:
            reply = s.signal.EventCounter(d1);
            break;
        case Command::Identify:
            std::copy_n(kIdentification, 8, reply.begin());
            break;
        default:
            ++s.unknownCommands;
            s.Note("unknown command " + std::to_string(packet[0]) + " answered with zeros");
            break;
    }
    return reply;
}

const Options& Programmer::GetOptions() const {
    return state_->options;
}
Pic18Target& Programmer::Target() {
    return state_->target;
}
const Pic18Target& Programmer::Target() const {
    return state_->target;
}
bool Programmer::SupplyOn() const {
    return state_->supplyOn;
}
bool Programmer::LedOn() const {
    return state_->ledOn;
}
int Programmer::VppLevel() const {
    return state_->vppLevel;
}
int Programmer::LineMode() const {
    return state_->lineMode;
}
std::uint64_t Programmer::Exchanges() const {
    return state_->exchanges;
}
std::uint64_t Programmer::UnknownCommands() const {
    return state_->unknownCommands;
}
const std::deque<std::string>& Programmer::Log() const {
    return state_->log;
}
bool Programmer::SaveState() {
    return state_->SaveState();
}

std::vector<std::string> Programmer::TakeStateProblems() {
    return std::exchange(state_->stateProblems, {});
}

bool Programmer::StateSaveFailed() const {
    return state_->saveFailed;
}

}  // namespace tamro::emu
