#include "app/cli/instrument_cli.h"

#include <algorithm>

#include "common/arguments.h"
#include "common/platform.h"
#include "instruments/instrument_commands.h"
#include "programming/programmer_session.h"

namespace tamro::cli {
namespace {

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

CommandResult RunInstrument(const Invocation& invocation) {
    std::vector<std::string> args{std::string(invocation.name)};
    args.insert(args.end(), invocation.words.begin(), invocation.words.end());
    const ParsedInstrumentCommand parsed = ParseInstrumentCommand(args);
    if (!parsed.command) return CliFailure{FailureKind::Usage, parsed.error, {}};
    CliSession opened(invocation.environment);
    if (CommandResult failed =
            opened.Open(invocation.global.driver.value_or(invocation.environment.driverSetting),
                        invocation.global.trace)) {
        return failed;
    }
    SessionPort port(opened.session());
    std::string fileError;
    const InstrumentOutcome outcome = RunInstrumentCommand(
        *parsed.command, port, SystemClock(), kDefaultAttenuation, invocation.out, fileError);
    opened.session().Shutdown();
    switch (outcome) {
        case InstrumentOutcome::Completed:
            return std::nullopt;
        case InstrumentOutcome::LinkFailed:
            return LinkFailureOf(opened.session());
        case InstrumentOutcome::FileFailed:
            return CliFailure{FailureKind::File, fileError, {}};
    }
    return std::nullopt;
}

}  // namespace tamro::cli
