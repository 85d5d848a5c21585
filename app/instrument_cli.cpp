#include "app/instrument_cli.h"

#include <memory>

#include "common/platform.h"
#include "instruments/instrument_commands.h"
#include "link/driver_table.h"
#include "link/link.h"

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
    void Beep() override {}
    std::string last;
};

class LinkPort final : public InstrumentPort {
  public:
    explicit LinkPort(Link& link) : link_(link) {}
    std::optional<Packet> ReadAnalog(std::uint8_t channelCode) override {
        return Exchange({kAnalogReadCommand, channelCode});
    }
    std::optional<Packet> CountFrequency(FrequencyGate gate) override {
        return Exchange({kFrequencyCountCommand, FrequencyGateCode(gate)});
    }
    std::optional<Packet> EventCounter(CounterAction action) override {
        return Exchange({kEventCounterCommand, static_cast<std::uint8_t>(action)});
    }
    std::optional<CaptureBuffer> CaptureLogic(std::uint8_t sampleTime, bool risingEdge) override {
        if (!Exchange(ArmPacket(sampleTime, risingEdge))) return std::nullopt;
        CaptureBuffer bytes{};
        for (int block = 0; block < kCaptureBlocks; ++block) {
            const auto reply = Exchange(BlockReadPacket(block));
            if (!reply) return std::nullopt;
            std::copy(reply->begin(), reply->end(), bytes.begin() + 8 * block);
        }
        return bytes;
    }

  private:
    std::optional<Packet> Exchange(const Packet& packet) {
        if (link_.Send(packet) != 0) return std::nullopt;
        return link_.ReplyData();
    }
    Link& link_;
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
    if (const std::int32_t opened = driver->Open(); opened != 0) {
        err << "link failure: Unit not Found " << DriverResultText(opened) << " ("
            << OpenFailureText(DescribeOpenFailure(setting, *driver)) << ")\n";
        return kExitFailure;
    }
    TerminalMessages messages;
    Link link(*driver, messages);
    LinkPort port(link);
    const InstrumentOutcome outcome =
        RunInstrumentCommand(*parsed.command, port, SystemClock(), kDefaultAttenuation, out, err);
    driver->Close();
    if (outcome == InstrumentOutcome::LinkFailed) err << "link failure: " << messages.last << '\n';
    return outcome == InstrumentOutcome::Completed ? kExitOk : kExitFailure;
}

}  // namespace tamro
