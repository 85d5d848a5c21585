#include "emulator/signal_source.h"

#include <gtest/gtest.h>

#include <string>

#include "emulator/programmer.h"
#include "tests/emulator/host_packets.h"
#include "tests/testing/fakes.h"

namespace tamro::emu {
namespace {

using testing::ManualClock;

int Count(const Block& reply) {
    return reply[0] << 8 | reply[1];
}

// Unpacks the 8 capture blocks the way the logic analyzer does.
std::string Samples(Programmer& programmer) {
    std::array<std::uint8_t, 64> bytes{};
    for (std::uint8_t b = 0; b < 8; ++b) {
        const Block reply = Send(programmer, Command::CaptureRead, b);
        std::copy(reply.begin(), reply.end(), bytes.begin() + 8 * b);
    }
    std::string samples(480, '0');
    for (int j = 0; j <= 59; ++j) {
        for (int k = 0; k < 8; ++k) {
            if (bytes[static_cast<std::size_t>(59 - j)] & (1 << k)) samples[8 * j + k] = '1';
        }
    }
    EXPECT_EQ(bytes[60] | bytes[61] | bytes[62] | bytes[63], 0);
    return samples;
}

class SignalTest : public ::testing::Test {
  protected:
    Programmer Make(double hz = 1000.0) {
        Options options;
        options.clock = &clock;
        options.signal.frequencyHz = hz;
        return Programmer(options);
    }
    ManualClock clock;
};

TEST_F(SignalTest, FrequencyCounterCountsTheGate) {
    Programmer programmer = Make();
    EXPECT_EQ(Count(Send(programmer, Command::FrequencyCount, Code(FrequencyGate::Gate100ms))),
              100);
    EXPECT_EQ(Count(Send(programmer, Command::FrequencyCount, Code(FrequencyGate::Gate1s))), 1000);
    // Anywhere in the period.
    clock.now += std::chrono::microseconds(337);
    EXPECT_EQ(Count(Send(programmer, Command::FrequencyCount, Code(FrequencyGate::Gate100ms))),
              100);
    EXPECT_EQ(Send(programmer, Command::FrequencyCount, Code(FrequencyGate::Gate100ms))[2], 0);

    Programmer fast = Make(1'000'000.0);
    const Block overflowed = Send(fast, Command::FrequencyCount, Code(FrequencyGate::Gate1s));
    EXPECT_NE(overflowed[2], 0);
    EXPECT_EQ(Count(overflowed) + 65536 * overflowed[2], 1'000'000);

    Programmer silent = Make(0.0);
    EXPECT_EQ(Count(Send(silent, Command::FrequencyCount, Code(FrequencyGate::Gate1s))), 0);
}

TEST_F(SignalTest, EventCounterCountsEdgesWhileStarted) {
    Programmer programmer = Make();
    Send(programmer, Command::EventCounter, Code(EventCounterAction::Reset));
    clock.now += std::chrono::milliseconds(50);
    EXPECT_EQ(Count(Send(programmer, Command::EventCounter, Code(EventCounterAction::Read))),
              0);  // not started yet
    Send(programmer, Command::EventCounter, Code(EventCounterAction::Start));
    clock.now += std::chrono::milliseconds(250);
    EXPECT_EQ(Count(Send(programmer, Command::EventCounter, Code(EventCounterAction::Read))), 250);
    Send(programmer, Command::EventCounter, Code(EventCounterAction::Stop));
    clock.now += std::chrono::milliseconds(500);
    EXPECT_EQ(Count(Send(programmer, Command::EventCounter, Code(EventCounterAction::Read))), 250);
    Send(programmer, Command::EventCounter, Code(EventCounterAction::Start));
    clock.now += std::chrono::milliseconds(100);
    EXPECT_EQ(Count(Send(programmer, Command::EventCounter, Code(EventCounterAction::Read))), 350);
    Send(programmer, Command::EventCounter, Code(EventCounterAction::Reset));
    EXPECT_EQ(Count(Send(programmer, Command::EventCounter, Code(EventCounterAction::Read))), 0);
    clock.now += std::chrono::seconds(70);  // still started: 70000 edges pass 16 bits
    const Block reply = Send(programmer, Command::EventCounter, Code(EventCounterAction::Read));
    EXPECT_NE(reply[2], 0);
    EXPECT_EQ(Count(reply), 70000 - 65536);
}

TEST_F(SignalTest, CaptureAtSampleTimeOneShowsEdgesEveryFiveSamples) {
    Programmer programmer = Make();
    clock.now += std::chrono::microseconds(123);
    for (std::uint8_t edge : {1, 0}) {
        Send(programmer, Command::CaptureStart, 1, edge);
        const std::string samples = Samples(programmer);
        const char first = edge ? '1' : '0';
        for (int n = 0; n < 480; ++n) {
            const bool firstHalf = (n / 5) % 2 == 0;
            ASSERT_EQ(samples[static_cast<std::size_t>(n)], firstHalf ? first : (edge ? '0' : '1'))
                << "sample " << n;
        }
    }
    // Sample time 10 (1 ms) samples the same phase of every period.
    Send(programmer, Command::CaptureStart, 10, 1);
    EXPECT_EQ(Samples(programmer), std::string(480, '1'));
    // A 100 Hz input at 0.1 ms changes level every 50 samples.
    Programmer slow = Make(100.0);
    Send(slow, Command::CaptureStart, 1, 1);
    const std::string samples = Samples(slow);
    EXPECT_EQ(samples.substr(0, 50), std::string(50, '1'));
    EXPECT_EQ(samples.substr(50, 50), std::string(50, '0'));
}

TEST_F(SignalTest, LatencyWaitsOnTheClock) {
    Options options;
    options.clock = &clock;
    options.latency = std::chrono::milliseconds(3);
    Programmer programmer(options);
    const auto before = clock.now;
    Send(programmer, Command::Identify);
    EXPECT_EQ(clock.now - before, std::chrono::milliseconds(3));
}

}  // namespace
}  // namespace tamro::emu
