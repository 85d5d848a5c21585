#include "instruments/instrument_commands.h"

#include <chrono>
#include <map>

#include "common/arguments.h"
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

// Sets `value` to the whole number `text` names, or refuses it.
ArgumentRefusal WholeNumber(const std::string& option, const std::string& text, int minimum,
                            int maximum, int& value) {
    const std::optional<long> number = WholeNumberArgument(text, minimum, maximum);
    if (!number) {
        return option + " takes a whole number from " + std::to_string(minimum) + " to " +
               std::to_string(maximum);
    }
    value = static_cast<int>(*number);
    return std::nullopt;
}

// Sets `value` to the choice `text` names, or refuses it with the names there are.
template <typename Value>
ArgumentRefusal Choice(const std::string& option, const std::string& text,
                       const std::map<std::string, Value>& choices, Value& value) {
    const auto found = choices.find(text);
    if (found != choices.end()) {
        value = found->second;
        return std::nullopt;
    }
    std::string names;
    for (const auto& choice : choices) names += (names.empty() ? "" : "|") + choice.first;
    return option + " takes " + names;
}

// The options of one instrument, with the two that every instrument takes.
std::vector<ArgumentOption> OptionsOf(InstrumentCommand& command) {
    auto value = [](std::string name, auto apply) {
        return ArgumentOption{
            name, {}, [name, apply](const std::string& text) { return apply(name, text); }};
    };
    std::vector<ArgumentOption> options{
        value("--repeat",
              [&](const std::string& name, const std::string& text) {
                  return WholeNumber(name, text, 1, kMaxRepeat, command.repeat);
              }),
        value("--interval", [&](const std::string& name, const std::string& text) {
            return WholeNumber(name, text, 0, kMaxIntervalMs, command.intervalMs);
        })};
    switch (command.instrument) {
        case Instrument::Volts:
            options.push_back(
                value("--channel", [&](const std::string& name, const std::string& text) {
                    return Choice(name, text, kChannels, command.channelOption);
                }));
            break;
        case Instrument::Frequency:
            options.push_back(
                value("--gate", [&](const std::string& name, const std::string& text) {
                    return Choice(name, text, kGates, command.gate);
                }));
            break;
        case Instrument::Capture:
            options.push_back(
                value("--sample-time", [&](const std::string& name, const std::string& text) {
                    int sampleTime = 0;
                    const ArgumentRefusal refused =
                        WholeNumber(name, text, 0, kSampleTimeLimit, sampleTime);
                    command.sampleTime = static_cast<std::uint8_t>(sampleTime);
                    return refused;
                }));
            options.push_back(
                value("--edge", [&](const std::string& name, const std::string& text) {
                    return Choice(name, text, kEdges, command.risingEdge);
                }));
            options.push_back(value("--vcd", [&](const std::string&, const std::string& text) {
                command.vcdPath = text;
                return ArgumentRefusal{};
            }));
            options.push_back(value("--csv", [&](const std::string&, const std::string& text) {
                command.csvPath = text;
                return ArgumentRefusal{};
            }));
            break;
        case Instrument::Count:
            break;
    }
    return options;
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
    InstrumentCommand command;
    if (ArgumentRefusal refused = Choice("command", args[0], kInstruments, command.instrument)) {
        return {std::nullopt, *refused};
    }
    bool actionGiven = false;
    const ArgumentRules rules{
        OptionsOf(command), [&](const std::string& word) -> ArgumentRefusal {
            if (command.instrument != Instrument::Count || actionGiven || word.starts_with("--")) {
                return "unknown argument " + word + " for " + args[0];
            }
            actionGiven = true;
            return Choice("count", word, kCounterActions, command.counterAction);
        }};
    if (ArgumentRefusal refused = ParseArguments(std::span(args).subspan(1), rules)) {
        return {std::nullopt, *refused};
    }
    if (command.instrument == Instrument::Count && !actionGiven) {
        return {std::nullopt, "count needs reset, start, stop or read"};
    }
    return {command, {}};
}

std::string InstrumentUsage() {
    return "  volts [--channel vpp|sab|vin] | freq [--gate 100ms|1s|auto] |\n"
           "  count reset|start|stop|read |\n"
           "  capture [--sample-time 0-100] [--edge pos|neg] [--vcd FILE] [--csv FILE]\n"
           "    [--repeat N] [--interval MS]   one reading per line\n";
}

InstrumentOutcome RunInstrumentCommand(const InstrumentCommand& command, InstrumentPort& port,
                                       Clock& clock, float attenuationFactor, std::ostream& out,
                                       std::string& fileError) {
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
                        fileError = written.error;
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
