// The automatic gate and the OVER read-out against the emulated programmer's
// logic input at frequencies across and beyond the counter's range (each a
// whole number of nanoseconds per period, so every gate counts exactly).

#include "instruments/frequency_auto_gate.h"

#include <gtest/gtest.h>

#include "emulator/programmer.h"

namespace tamro {
namespace {

struct EmulatedCounter {
    explicit EmulatedCounter(double hertz) : programmer(Options(hertz)) {}
    static emu::Options Options(double hertz) {
        emu::Options options;
        options.signal = {hertz, 0.5};
        return options;
    }
    std::optional<Packet> Count(FrequencyGate gate) {
        gates.push_back(gate);
        return programmer.Exchange({protocol::Code(protocol::Command::FrequencyCount),
                                    protocol::Code(gate), 0, 0, 0, 0, 0, 0});
    }
    std::string AutoReading(AutoGate& autoGate) {
        const GatedCount taken =
            MeasureWithAutoGate(autoGate, [this](FrequencyGate gate) { return Count(gate); });
        return ComputeFrequencyReadout(*taken.reply, taken.gate).readout;
    }
    emu::Programmer programmer;
    std::vector<FrequencyGate> gates;
};

constexpr auto k100ms = FrequencyGate::Gate100ms;
constexpr auto k1s = FrequencyGate::Gate1s;

TEST(FrequencyCounterRange, FixedGatesShowOverBeyondOneCounterWrap) {
    struct Case {
        double hertz;
        FrequencyGate gate;
        const char* readout;
    };
    const Case cases[] = {
        {1000, k100ms, "1.000"},       {1000, k1s, "1000"},
        {100000, k100ms, "100.000"},   {100000, k1s, "100000"},  // one wrap
        {1000000, k100ms, "1000.000"}, {1000000, k1s, "OVER"},   // 15 wraps
        {1500000, k100ms, "OVER"},                               // beyond the input's range
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hertz << " Hz");
        EmulatedCounter counter(c.hertz);
        const Packet reply = *counter.Count(c.gate);
        EXPECT_EQ(ComputeFrequencyReadout(reply, c.gate).readout, c.readout);
    }
}

TEST(FrequencyCounterRange, AutomaticGateTakesTheGateTheFrequencyNeeds) {
    struct Case {
        double hertz;
        std::vector<std::string> readings;  // three readings in a row
        std::vector<FrequencyGate> gates;   // every count taken for them
    };
    const std::vector<Case> cases = {
        // Low: the first 100 ms count moves to the 1 s gate for its resolution.
        {1250, {"1.250", "1250", "1250"}, {k100ms, k1s, k1s}},
        // High: stays on the 100 ms gate.
        {250000, {"250.000", "250.000", "250.000"}, {k100ms, k100ms, k100ms}},
        // Between the thresholds: no switching back and forth.
        {62500, {"62.500", "62.500", "62.500"}, {k100ms, k100ms, k100ms}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hertz << " Hz");
        EmulatedCounter counter(c.hertz);
        AutoGate autoGate;
        std::vector<std::string> readings;
        for (int i = 0; i < 3; ++i) readings.push_back(counter.AutoReading(autoGate));
        EXPECT_EQ(readings, c.readings);
        EXPECT_EQ(counter.gates, c.gates);
    }
    // The input rises to 200 kHz on the 1 s gate: its overflowed count is not shown.
    AutoGate autoGate;
    EmulatedCounter(1000).AutoReading(autoGate);
    EmulatedCounter fast(200000);
    EXPECT_EQ(fast.AutoReading(autoGate), "200.000");
    EXPECT_EQ(fast.gates, (std::vector<FrequencyGate>{k1s, k100ms}));
}

}  // namespace
}  // namespace tamro
