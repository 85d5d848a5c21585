// The instrument subcommands against the emulated programmer's inputs.

#include "instruments/instrument_commands.h"

#include <gtest/gtest.h>

#include <sstream>

#include "emulator/programmer.h"

namespace tamro {
namespace {

using protocol::Code;
using protocol::Command;

class EmulatorPort final : public InstrumentPort {
  public:
    explicit EmulatorPort(const emu::Options& options) : programmer_(options) {}
    std::optional<Packet> ReadAnalog(protocol::AnalogChannel channel) override {
        return Exchange({Code(Command::AnalogRead), Code(channel)});
    }
    std::optional<Packet> CountFrequency(FrequencyGate gate) override {
        return Exchange({Code(Command::FrequencyCount), Code(gate)});
    }
    std::optional<Packet> EventCounter(CounterAction action) override {
        return Exchange({Code(Command::EventCounter), Code(action)});
    }
    std::optional<CaptureBuffer> CaptureLogic(std::uint8_t sampleTime, bool risingEdge) override {
        if (!Exchange(
                {Code(Command::CaptureStart), sampleTime, std::uint8_t(risingEdge ? 1 : 0)})) {
            return std::nullopt;
        }
        CaptureBuffer bytes{};
        for (int block = 0; block < kCaptureBlocks; ++block) {
            const auto reply =
                Exchange({Code(Command::CaptureRead), static_cast<std::uint8_t>(block)});
            if (!reply) return std::nullopt;
            std::copy(reply->begin(), reply->end(), bytes.begin() + 8 * block);
        }
        return bytes;
    }
    int failAfter = -1;  // exchanges that succeed before every later one fails

  private:
    std::optional<Packet> Exchange(const Packet& packet) {
        if (failAfter == 0) return std::nullopt;
        if (failAfter > 0) --failAfter;
        return programmer_.Exchange(packet);
    }
    emu::Programmer programmer_;
};

class SleepRecorder final : public Clock {
  public:
    std::chrono::steady_clock::time_point Now() override { return now; }
    void SleepFor(std::chrono::microseconds duration) override { now += duration; }
    std::chrono::steady_clock::time_point now{};
};

struct CommandRun {
    InstrumentOutcome outcome;
    std::string out;
    std::chrono::microseconds slept;
};

CommandRun RunLine(const std::vector<std::string>& args, EmulatorPort& port) {
    const ParsedInstrumentCommand parsed = ParseInstrumentCommand(args);
    EXPECT_TRUE(parsed.command) << parsed.error;
    SleepRecorder clock;
    std::ostringstream out;
    std::string fileError;
    const InstrumentOutcome outcome =
        RunInstrumentCommand(*parsed.command, port, clock, 4.4f, out, fileError);
    return {outcome, out.str(),
            std::chrono::duration_cast<std::chrono::microseconds>(clock.now.time_since_epoch())};
}

TEST(InstrumentCommands, ReadingsMatchTheEmulatedInputs) {
    emu::Options options;
    options.vinVolts = 9.0;
    options.sabVolts = 30.0;  // beyond the converter's range
    options.signal = {200000.0, 0.5};
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"volts"}, "9.0 V\n"},
        {{"volts", "--channel", "sab", "--repeat", "2"}, "OL\nOL\n"},
        {{"volts", "--channel", "vpp"}, "0.0 V\n"},  // no Vpp level set yet
        {{"freq"}, "200.000 KHz\n"},
        {{"freq", "--gate", "1s"}, "OVER\n"},
        {{"freq", "--gate", "auto", "--repeat", "2"}, "200.000 KHz\n200.000 KHz\n"},
        {{"count", "read"}, "0\n"},
        {{"count", "start"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + std::to_string(c.args.size()));
        EmulatorPort port(options);
        const CommandRun run = RunLine(c.args, port);
        EXPECT_EQ(run.outcome, InstrumentOutcome::Completed);
        EXPECT_EQ(run.out, c.out);
    }
}

TEST(InstrumentCommands, CaptureLinesRepeatAndFailures) {
    emu::Options options;
    options.signal = {1000.0, 0.25};
    EmulatorPort port(options);
    const CommandRun run =
        RunLine({"capture", "--sample-time", "2", "--repeat", "3", "--interval", "250"}, port);
    std::string line;
    while (line.size() < 480) line += "11000";
    EXPECT_EQ(run.out, line + "\n" + line + "\n" + line + "\n");
    EXPECT_EQ(run.slept, std::chrono::milliseconds(500));  // between readings only

    port.failAfter = 3;
    const CommandRun failed = RunLine({"capture"}, port);
    EXPECT_EQ(failed.outcome, InstrumentOutcome::LinkFailed);
    EXPECT_EQ(failed.out, "");
}

TEST(InstrumentCommands, CommandLinesThatAreRefused) {
    const std::vector<std::vector<std::string>> refused = {
        {"count"},
        {"count", "pause"},
        {"volts", "--channel", "vxx"},
        {"volts", "--gate", "1s"},
        {"freq", "--gate"},
        {"capture", "--sample-time", "101"},
        {"capture", "--sample-time", "2.5"},
        {"capture", "--edge", "up"},
        {"volts", "--repeat", "0"},
        {"volts", "--interval", "-5"},
        {"volts", "extra"},
    };
    for (const auto& args : refused) {
        const ParsedInstrumentCommand parsed = ParseInstrumentCommand(args);
        EXPECT_FALSE(parsed.command) << args.back();
        EXPECT_FALSE(parsed.error.empty());
    }
    EXPECT_FALSE(IsInstrumentCommand("write"));
}

}  // namespace
}  // namespace tamro
