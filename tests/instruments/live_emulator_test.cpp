// The instruments against the emulated programmer: its analog inputs (Vin 9 V)
// and its logic input (1 kHz square wave, half high) give live readings.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "instruments/logic_analyzer_logic.h"
#include "instruments/meter_logic.h"
#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using testing::CountingEventPump;
using testing::EmulatorResponder;
using testing::MemorySettingsStore;
using testing::RecordingDriver;
using testing::RecordingMessageBoxes;

class LiveEmulator : public ::testing::Test {
  protected:
    void SetUp() override {
        driver.responder = EmulatorResponder();
        link.Exchange(protocol::Command::Identify);
        const Packet& id = link.ReplyData();
        if (std::string(id.begin(), id.end()).rfind("EMUL", 0) != 0) {
            GTEST_SKIP() << "the emulated programmer has no instrument inputs in this build";
        }
    }
    RecordingDriver driver;
    RecordingMessageBoxes messages;
    testing::MemorySettingsStore sessionSettings;
    ProgrammerSession session{driver, messages, sessionSettings};
    Link link{driver, messages};  // asks the firmware who it is, outside the session
};

TEST_F(LiveEmulator, VoltMeterReadsTheVinInput) {
    MemorySettingsStore settings;
    VoltMeterLogic meter(session, settings);
    meter.Load();
    meter.Read();
    EXPECT_EQ(meter.Shown().readout, "9.0");
    EXPECT_GT(meter.Shown().bar, 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LiveEmulator, FrequencyCounterSeesOneKilohertz) {
    FrequencyCounterLogic counter(session);
    counter.Load();
    counter.Read();
    EXPECT_EQ(counter.Shown().readout, "1.000");
    EXPECT_EQ(counter.Shown().unit, "KHz");
    EXPECT_EQ(counter.OverflowLamp(), kLampGrey);
}

TEST_F(LiveEmulator, EventCountGrowsWhileCounting) {
    EventCounterLogic counter(session);
    counter.Load();
    counter.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    counter.Read();
    const double first = std::stod(counter.Shown().readout);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    counter.Read();
    const double second = std::stod(counter.Shown().readout);
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
}

TEST_F(LiveEmulator, CaptureShowsTheSquareWave) {
    CountingEventPump pump;
    LogicAnalyzerLogic analyzer(session, messages, pump);
    analyzer.Load();
    analyzer.Trigger("1", true);  // 0.1 ms per sample: five high, five low
    const LogicSampleArray& samples = analyzer.Samples();
    int edges = 0;
    for (int n = 0; n + 1 < kTraceSamples; ++n) edges += samples[n] != samples[n + 1];
    EXPECT_GE(edges, 90);
    EXPECT_LE(edges, 96);
    EXPECT_EQ(samples[0], "1");  // the capture starts on the rising edge
    EXPECT_EQ(DRAWPIC(samples).size(), static_cast<std::size_t>(2 * edges + 1));
}

}  // namespace
}  // namespace tamro
