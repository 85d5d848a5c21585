#include "instruments/instrument_commands.h"

#include <charconv>
#include <chrono>
#include <map>

#include "instruments/capture_export.h"
#include "instruments/frequency_auto_gate.h"
#include "instruments/volt_meter_extras.h"

namespace tamro {

namespace {

constexpr int kMaxRepeat = 1'000'000;
constexpr int kMaxIntervalMs = 3'600'000;

const std::map<std::string, int> kChannels{{"vpp", 0}, {"sab", 1}, {"vin", 2}};
const std::map<std::string, GateChoice> kGates{
    {"100ms", GateChoice::Gate100ms}, {"1s", GateChoice::Gate1s}, {"auto", GateChoice::Automatic}};
const std::map<std::string, CounterAction> kCounterActions{{"reset", CounterAction::Reset},
                                                           {"start", CounterAction::Start},
                                                           {"stop", CounterAction::Stop},
                                                           {"read", CounterAction::Read}};
const std::map<std::string, bool> kEdges{{"pos", true}, {"neg", false}};
const std::map<std::string, Instrument> kInstruments{{"volts", Instrument::Volts},
                                                     {"freq", Instrument::Frequency},
                                                     {"count", Instrument::Count},
                                                     {"capture", Instrument::Capture}};

struct UsageError {
    std::string reason;
};

int WholeNumber(const std::string& option, const std::string& text, int minimum, int maximum) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < minimum ||
        value > maximum) {
        throw UsageError{option + " takes a whole number from " + std::to_string(minimum) + " to " +
                         std::to_string(maximum)};
    }
    return value;
}

template <typename Value>
Value Choice(const std::string& option, const std::string& text,
             const std::map<std::string, Value>& choices) {
    const auto found = choices.find(text);
    if (found != choices.end()) return found->second;
    std::string names;
    for (const auto& [name, value] : choices) names += (names.empty() ? "" : "|") + name;
    throw UsageError{option + " takes " + names};
}

InstrumentCommand Parse(const std::vector<std::string>& args) {
    InstrumentCommand command;
    command.instrument = Choice("command", args.at(0), kInstruments);
    bool actionGiven = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError{word + " needs a value"};
            return args[++i];
        };
        const Instrument instrument = command.instrument;
        if (word == "--repeat") {
            command.repeat = WholeNumber(word, value(), 1, kMaxRepeat);
        } else if (word == "--interval") {
            command.intervalMs = WholeNumber(word, value(), 0, kMaxIntervalMs);
        } else if (word == "--channel" && instrument == Instrument::Volts) {
            command.channelOption = Choice(word, value(), kChannels);
        } else if (word == "--gate" && instrument == Instrument::Frequency) {
            command.gate = Choice(word, value(), kGates);
        } else if (word == "--sample-time" && instrument == Instrument::Capture) {
            command.sampleTime =
                static_cast<std::uint8_t>(WholeNumber(word, value(), 0, kSampleTimeLimit));
        } else if (word == "--edge" && instrument == Instrument::Capture) {
            command.risingEdge = Choice(word, value(), kEdges);
        } else if (word == "--vcd" && instrument == Instrument::Capture) {
            command.vcdPath = value();
        } else if (word == "--csv" && instrument == Instrument::Capture) {
            command.csvPath = value();
        } else if (instrument == Instrument::Count && !actionGiven && !word.starts_with("--")) {
            command.counterAction = Choice("count", word, kCounterActions);
            actionGiven = true;
        } else {
            throw UsageError{"unknown argument " + word + " for " + args[0]};
        }
    }
    if (command.instrument == Instrument::Count && !actionGiven) {
        throw UsageError{"count needs reset, start, stop or read"};
    }
    return command;
}

std::string SamplesLine(const LogicCapture& capture) {
    std::string line;
    for (const bool level : capture.levels) line += level ? '1' : '0';
    return line;
}

}  // namespace

bool IsInstrumentCommand(const std::string& name) {
    return kInstruments.contains(name);
}

ParsedInstrumentCommand ParseInstrumentCommand(const std::vector<std::string>& args) {
    if (args.empty()) return {std::nullopt, "no command"};
    try {
        return {Parse(args), {}};
    } catch (const UsageError& error) {
        return {std::nullopt, error.reason};
    }
}

std::string InstrumentUsage() {
    return "  volts [--channel vpp|sab|vin] | freq [--gate 100ms|1s|auto] |\n"
           "  count reset|start|stop|read |\n"
           "  capture [--sample-time 0-100] [--edge pos|neg] [--vcd FILE] [--csv FILE]\n"
           "    [--repeat N] [--interval MS]   one reading per line\n";
}

InstrumentOutcome RunInstrumentCommand(const InstrumentCommand& command, InstrumentPort& port,
                                       Clock& clock, float attenuationFactor, std::ostream& out,
                                       std::ostream& err) {
    AutoGate autoGate;
    const bool reads =
        command.instrument != Instrument::Count || command.counterAction == CounterAction::Read;
    const int readings = reads ? command.repeat : 1;
    for (int n = 0; n < readings; ++n) {
        if (n > 0) clock.SleepFor(std::chrono::milliseconds(command.intervalMs));
        std::string line;
        switch (command.instrument) {
            case Instrument::Volts: {
                const auto reply = port.ReadAnalog(VoltChannel(command.channelOption));
                if (!reply) return InstrumentOutcome::LinkFailed;
                const VoltReading reading =
                    MakeVoltReading((*reply)[0], (*reply)[1], attenuationFactor);
                line = reading.overload ? reading.text : reading.text + " V";
                break;
            }
            case Instrument::Frequency: {
                GatedCount taken;
                if (command.gate == GateChoice::Automatic) {
                    taken = MeasureWithAutoGate(
                        autoGate, [&](FrequencyGate gate) { return port.CountFrequency(gate); });
                } else {
                    taken.gate = command.gate == GateChoice::Gate1s ? FrequencyGate::Gate1s
                                                                    : FrequencyGate::Gate100ms;
                    taken.reply = port.CountFrequency(taken.gate);
                }
                if (!taken.reply) return InstrumentOutcome::LinkFailed;
                const CountReadout shown = ComputeFrequencyReadout(*taken.reply, taken.gate);
                line =
                    shown.readout == kOverText ? shown.readout : shown.readout + " " + shown.unit;
                break;
            }
            case Instrument::Count: {
                const auto reply = port.EventCounter(command.counterAction);
                if (!reply) return InstrumentOutcome::LinkFailed;
                if (!reads) return InstrumentOutcome::Completed;
                line = ComputeEventCountReadout(*reply).readout;
                break;
            }
            case Instrument::Capture: {
                const auto bytes = port.CaptureLogic(command.sampleTime, command.risingEdge);
                if (!bytes) return InstrumentOutcome::LinkFailed;
                LogicSampleArray samples;
                UnpackSamples(*bytes, samples);
                const LogicCapture capture =
                    CaptureFromSamples(samples, command.sampleTime, command.risingEdge);
                for (const auto& [path, format] :
                     {std::pair{command.vcdPath, CaptureFileFormat::Vcd},
                      std::pair{command.csvPath, CaptureFileFormat::Csv}}) {
                    if (path.empty()) continue;
                    const CaptureFileResult written = WriteCaptureFile(capture, format, path);
                    if (!written.written) {
                        err << "file error: " << written.error << '\n';
                        return InstrumentOutcome::FileFailed;
                    }
                }
                line = SamplesLine(capture);
                break;
            }
        }
        out << line << '\n' << std::flush;
    }
    return InstrumentOutcome::Completed;
}

}  // namespace tamro
