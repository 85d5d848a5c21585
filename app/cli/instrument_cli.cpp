#include "app/cli/instrument_cli.h"

#include <algorithm>

#include "common/arguments.h"
#include "common/platform.h"
#include "instruments/instrument_commands.h"
#include "programming/programmer_session.h"

namespace tamro::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// The volt meter's factor as the panel starts with it.
constexpr float kDefaultAttenuation = 4.4f;

// The instruments' exchanges through the programming session, as the
// instrument windows make them.
class SessionPort final : public InstrumentPort {
  public:
    explicit SessionPort(ProgrammerSession& session) : session_(session) {}
    std::optional<Packet> ReadAnalog(protocol::AnalogChannel channel) override {
        return Reply(session_.ReadAnalog(channel));
    }
    std::optional<Packet> CountFrequency(FrequencyGate gate) override {
        return Reply(session_.CountFrequency(gate));
    }
    std::optional<Packet> EventCounter(CounterAction action) override {
        return Reply(session_.EventCounter(action));
    }
    std::optional<CaptureBuffer> CaptureLogic(std::uint8_t sampleTime, bool risingEdge) override {
        const auto capture = session_.CaptureLogic(sampleTime, risingEdge);
        if (capture.outcome != OperationResult::Completed) return std::nullopt;
        CaptureBuffer bytes{};
        std::copy(capture.bytes.begin(), capture.bytes.end(), bytes.begin());
        return bytes;
    }

  private:
    static std::optional<Packet> Reply(const ProgrammerSession::InstrumentReply& reply) {
        if (!reply.ok()) return std::nullopt;
        return reply.reply;
    }
    ProgrammerSession& session_;
};

}  // namespace

int RunInstrumentCli(const std::vector<std::string>& args, const CliEnvironment& environment,
                     std::ostream& out, std::ostream& err) {
    // --driver goes to the tool; every other word to the instrument.
    std::vector<std::string> instrumentArgs;
    std::string setting = environment.driverSetting;
    const std::optional<std::string> refused = ParseArguments(
        args, {{{"--driver", {}, [&](const std::string& value) { setting = value; }}},
               [&](const std::string& word) { instrumentArgs.push_back(word); }});
    const ParsedInstrumentCommand parsed = ParseInstrumentCommand(instrumentArgs);
    if (refused || !parsed.command) {
        err << refused.value_or(parsed.error) << '\n';
        return kExitUsage;
    }
    CliSession opened(environment);
    if (!opened.Open(setting, "", err)) return kExitFailure;
    SessionPort port(opened.session());
    const InstrumentOutcome outcome =
        RunInstrumentCommand(*parsed.command, port, SystemClock(), kDefaultAttenuation, out, err);
    opened.session().Shutdown();
    if (outcome == InstrumentOutcome::LinkFailed) {
        err << "link failure: " << opened.messages().last << '\n';
    }
    return outcome == InstrumentOutcome::Completed ? kExitOk : kExitFailure;
}

}  // namespace tamro::cli
