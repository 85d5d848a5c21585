#include "app/instrument_cli.h"

#include <memory>

#include "common/platform.h"
#include "instruments/instrument_commands.h"
#include "link/driver_table.h"
#include "programming/programmer_session.h"

namespace tamro {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// The volt meter's factor as the panel starts with it.
constexpr float kDefaultAttenuation = 4.4f;

// A failed exchange becomes the reason line of the run.
class TerminalMessages final : public MessageBoxes {
  public:
    void Show(MessageIcon, const std::string& title, const std::string& text) override {
        last = title + ": " + text;
    }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void Beep() override {}
    std::string last;
};

class NoSettings final : public SettingsStore {
  public:
    std::string Read(const std::string&, const std::string&, const std::string&) override {
        return "";
    }
    void Write(const std::string&, const std::string&, const std::string&,
               const std::string&) override {}
};

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

int RunInstrumentCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> instrumentArgs;
    std::string setting = DriverSettingFromEnvironment();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--driver" && i + 1 < args.size()) {
            setting = args[++i];
        } else {
            instrumentArgs.push_back(args[i]);
        }
    }
    const ParsedInstrumentCommand parsed = ParseInstrumentCommand(instrumentArgs);
    if (!parsed.command) {
        err << parsed.error << '\n';
        return kExitUsage;
    }
    std::string driverError;
    std::unique_ptr<DriverLibrary> driver = MakeDriver(setting, &driverError);
    if (!driver) {
        err << "link failure: " << driverError << '\n';
        return kExitFailure;
    }
    TerminalMessages messages;
    NoSettings settings;
    ProgrammerSession session(*driver, messages, settings);
    if (const std::int32_t opened = session.Open(); opened != 0) {
        err << "link failure: Unit not Found " << DriverResultText(opened) << " ("
            << OpenFailureText(DescribeOpenFailure(setting, *driver)) << ")\n";
        return kExitFailure;
    }
    SessionPort port(session);
    const InstrumentOutcome outcome =
        RunInstrumentCommand(*parsed.command, port, SystemClock(), kDefaultAttenuation, out, err);
    session.Shutdown();
    if (outcome == InstrumentOutcome::LinkFailed) err << "link failure: " << messages.last << '\n';
    return outcome == InstrumentOutcome::Completed ? kExitOk : kExitFailure;
}

}  // namespace tamro
