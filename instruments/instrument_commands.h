#pragma once
// The bench instruments from the command line, one reading per line:
//
//   volts [--channel vpp|sab|vin]                  "9.0 V", or "OL"
//   freq [--gate 100ms|1s|auto]                    "1.000 KHz", "1000 Hz", or "OVER"
//   count reset|start|stop|read                    the count (read only)
//   capture [--sample-time N] [--edge pos|neg] [--vcd FILE] [--csv FILE]
//                                                  the 480 samples as 0 and 1
//   each with [--repeat N] [--interval MS]
//
// The readings are the instrument windows' own: the same packets, the same
// arithmetic, the same texts.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/platform.h"
#include "instruments/logic_analyzer_logic.h"
#include "instruments/meter_logic.h"

namespace tamro {

// The instruments' exchanges with the programmer; each gives the reply, or
// nothing when the exchange failed or was refused.
class InstrumentPort {
  public:
    virtual ~InstrumentPort() = default;
    virtual std::optional<Packet> ReadAnalog(protocol::AnalogChannel channel) = 0;
    virtual std::optional<Packet> CountFrequency(FrequencyGate gate) = 0;
    virtual std::optional<Packet> EventCounter(CounterAction action) = 0;
    virtual std::optional<CaptureBuffer> CaptureLogic(std::uint8_t sampleTime, bool risingEdge) = 0;
};

enum class Instrument { Volts, Frequency, Count, Capture };
enum class GateChoice { Gate100ms, Gate1s, Automatic };

struct InstrumentCommand {
    Instrument instrument = Instrument::Volts;
    int channelOption = 2;  // as the volt meter's Option_CH: 0 "Vpp", 1 "Sab", 2 "Vin"
    GateChoice gate = GateChoice::Gate100ms;
    CounterAction counterAction = CounterAction::Read;
    std::uint8_t sampleTime = 1;
    bool risingEdge = true;
    std::string vcdPath;
    std::string csvPath;
    int repeat = 1;
    int intervalMs = 500;  // between readings, as AUTO repeats
};

struct ParsedInstrumentCommand {
    std::optional<InstrumentCommand> command;
    std::string error;  // the one-line reason when there is no command
};

bool IsInstrumentCommand(const std::string& name);
// `args` starts with the command's name.
ParsedInstrumentCommand ParseInstrumentCommand(const std::vector<std::string>& args);
std::string InstrumentUsage();

enum class InstrumentOutcome { Completed, LinkFailed, FileFailed };

// Takes the readings and prints one line each to `out`; a failure ends the
// run, a file's with what failed in `fileError` ("cannot write PATH: REASON").
// `attenuationFactor` scales the volts as the volt meter's factor does.
InstrumentOutcome RunInstrumentCommand(const InstrumentCommand& command, InstrumentPort& port,
                                       Clock& clock, float attenuationFactor, std::ostream& out,
                                       std::string& fileError);

}  // namespace tamro
