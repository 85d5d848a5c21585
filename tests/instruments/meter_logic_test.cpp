#include "instruments/meter_logic.h"

#include <gtest/gtest.h>

#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using testing::MemorySettingsStore;
using testing::PacketTexts;
using testing::RecordingDriver;
using testing::RecordingMessageBoxes;
using Texts = std::vector<std::string>;

// A driver answering every packet with one chosen reply.
struct Bench {
    explicit Bench(Packet reply = {}) {
        driver.responder = [this](const Packet&) { return this->reply; };
        this->reply = reply;
    }
    Packet reply{};
    RecordingDriver driver;
    RecordingMessageBoxes messages;
    testing::MemorySettingsStore sessionSettings;
    ProgrammerSession session{driver, messages, sessionSettings};
    MemorySettingsStore settings;
};

TEST(VoltReadout, FullScaleAndZeroReadings) {
    const VoltReadout full = ComputeVoltReadout(0x31, 0xCE, 4.4f);
    EXPECT_EQ(full.readout, "22.0");
    EXPECT_EQ(full.bar, 255);
    EXPECT_EQ(full.rawCount, "12750");
    EXPECT_EQ(full.converterSingle, "4.998");
    EXPECT_EQ(full.converterDouble, "5");

    const VoltReadout zero = ComputeVoltReadout(0, 0, 4.4f);
    EXPECT_EQ(zero.readout, "0.0");
    EXPECT_EQ(zero.bar, 0);
    EXPECT_EQ(zero.rawCount, "0");

    EXPECT_EQ(ComputeVoltReadout(0x31, 0xCE, 0.0f).readout, "0.0");
    EXPECT_EQ(ComputeVoltReadout(0x09, 0xC4, 1.0f).readout, "1.0");  // 2500 / 50 * 0.0196
}

TEST(VoltReadout, CountsAboveFullScaleAreUnsignedAndKeepTheBarInRange) {
    const VoltReadout top = ComputeVoltReadout(0xFF, 0xFF, 4.4f);
    EXPECT_EQ(top.rawCount, "65535");
    EXPECT_EQ(top.bar, 255);
    EXPECT_EQ(top.readout, "113.0");  // 65535 / 50 * 0.0196 * 4.4
    EXPECT_EQ(ComputeVoltReadout(0x80, 0x00, 1.0f).rawCount, "32768");
    EXPECT_EQ(ComputeVoltReadout(0x32, 0x00, 1.0f).bar, 255);  // 12800: beyond full scale
}

TEST(VoltMeter, ReadSendsTheSelectedChannelAndShowsTheReply) {
    Bench bench(Packet{0x31, 0xCE});
    VoltMeterLogic meter(bench.session, bench.settings);
    meter.Load();
    EXPECT_TRUE(bench.driver.packets.empty());  // nothing sent at load
    EXPECT_EQ(meter.Shown().readout, "0");
    meter.Read();
    meter.SelectChannel(0);
    meter.Read();
    meter.SelectChannel(1);
    meter.Read();
    EXPECT_EQ(
        PacketTexts(bench.driver.packets),
        (Texts{"39 03 00 00 00 00 00 00", "39 00 00 00 00 00 00 00", "39 01 00 00 00 00 00 00"}));
    EXPECT_EQ(meter.Shown().readout, "22.0");
    EXPECT_EQ(meter.Shown().bar, 255);
    EXPECT_EQ(meter.Shown().converterSingle, "4.998");
    EXPECT_EQ(meter.Shown().rawCount, "12750");
}

TEST(VoltMeter, AttenuationFactorIsStoredOnFirstStartAndOnEveryChange) {
    Bench bench(Packet{0x31, 0xCE});
    {
        VoltMeterLogic meter(bench.session, bench.settings);
        meter.Load();
        EXPECT_EQ(bench.settings.Read("TAMRO", "DATA", "VOLTATT"), "4.4");
        EXPECT_FLOAT_EQ(meter.AttFactor(), 4.4f);
        // The user clears the box and types 5.
        meter.FactorTextChanged("");
        meter.FactorTextChanged("5");
        EXPECT_EQ(bench.settings.writes, (Texts{"VOLTATT=4.4", "VOLTATT=", "VOLTATT=5"}));
        meter.Read();
        EXPECT_FLOAT_EQ(meter.AttFactor(), 5.0f);
        EXPECT_EQ(meter.Shown().readout, "25.0");
    }
    {
        VoltMeterLogic meter(bench.session, bench.settings);
        meter.Load();
        EXPECT_EQ(meter.FactorText(), "5");
        EXPECT_FLOAT_EQ(meter.AttFactor(), 5.0f);
        // Closed while the box is empty: the next opening falls back to "4.4".
        meter.FactorTextChanged("");
    }
    VoltMeterLogic meter(bench.session, bench.settings);
    meter.Load();
    EXPECT_EQ(meter.FactorText(), "4.4");
    EXPECT_EQ(bench.settings.Read("TAMRO", "DATA", "VOLTATT"), "4.4");
    meter.FactorTextChanged("abc");
    meter.Read();
    EXPECT_EQ(meter.Shown().readout, "0.0");
}

TEST(VoltMeter, CompWidensAndNarrowsAndTheBarPressShowsMaintenance) {
    Bench bench;
    VoltMeterLogic meter(bench.session, bench.settings);
    meter.Load();
    EXPECT_EQ(meter.WindowSize().width, 3825);
    meter.PressComp();
    EXPECT_EQ(meter.WindowSize().width, 5100);
    EXPECT_EQ(meter.CompTag(), "1");
    meter.PressBar();
    EXPECT_EQ(meter.WindowSize().width, 3900);
    EXPECT_EQ(meter.WindowSize().height, 3500);
    EXPECT_EQ(meter.CompTag(), "1");
    meter.PressComp();
    EXPECT_EQ(meter.WindowSize().width, 3825);
    EXPECT_EQ(meter.WindowSize().height, 2655);
    EXPECT_EQ(meter.CompTag(), "0");
}

TEST(AutoRepeat, FailedReadingSilencesTheTimerUntilAutoIsPressedTwice) {
    Bench bench(Packet{0x01, 0x00});
    VoltMeterLogic meter(bench.session, bench.settings);
    meter.Load();
    EXPECT_FALSE(meter.Auto().TimerEnabled());

    meter.PressAuto();
    EXPECT_EQ(meter.Auto().Tag(), "1");
    EXPECT_EQ(meter.Auto().Lamp(), kLampOrange);
    EXPECT_TRUE(meter.Auto().TimerEnabled());
    meter.Tick();
    EXPECT_EQ(bench.driver.packets.size(), 1u);

    bench.driver.failReads = {2};
    meter.Tick();
    EXPECT_FALSE(meter.Auto().TimerEnabled());
    EXPECT_EQ(meter.Auto().Tag(), "1");
    EXPECT_EQ(meter.Auto().Lamp(), kLampOrange);
    EXPECT_EQ(bench.messages.shown.size(), 1u);
    EXPECT_EQ(meter.Shown().rawCount, "256");  // the display keeps the last good values

    meter.PressAuto();  // off, timer enabled but idle
    EXPECT_EQ(meter.Auto().Lamp(), kLampGrey);
    EXPECT_TRUE(meter.Auto().TimerEnabled());
    meter.Tick();
    EXPECT_EQ(bench.driver.writes, 2);
    meter.PressAuto();
    meter.Tick();
    EXPECT_EQ(bench.driver.writes, 3);

    meter.Unload();
    EXPECT_EQ(meter.Auto().Tag(), "0");
    EXPECT_EQ(meter.Auto().Lamp(), kLampGrey);
}

TEST(AutoRepeat, ATickDuringAFailingReadingStartsNoSecondReading) {
    Bench bench;
    VoltMeterLogic meter(bench.session, bench.settings);
    meter.Load();
    meter.PressAuto();
    bench.driver.failReads = {1};
    // The error box runs a nested event loop in which the timer may tick.
    bench.messages.onShow = [&] { meter.Tick(); };
    meter.Tick();
    EXPECT_EQ(bench.driver.writes, 1);
    EXPECT_EQ(bench.messages.shown.size(), 1u);
    EXPECT_FALSE(meter.Auto().TimerEnabled());
}

TEST(FrequencyReadout, GatesUnitsAndOneCounterWrap) {
    struct Case {
        Packet reply;
        FrequencyGate gate;
        const char* readout;
        const char* unit;
        bool overflow;
    };
    const Case cases[] = {
        {Packet{0x30, 0x39, 0x00}, FrequencyGate::Gate100ms, "123.450", "KHz", false},
        {Packet{0x30, 0x39, 0x00}, FrequencyGate::Gate1s, "12345", "Hz", false},
        {Packet{0xFF, 0xFF, 0x00}, FrequencyGate::Gate1s, "65535", "Hz", false},
        // One wrap adds the counter's 65536.
        {Packet{0x00, 0x00, 0x01}, FrequencyGate::Gate100ms, "655.360", "KHz", true},
        {Packet{0x86, 0xA0, 0x01}, FrequencyGate::Gate100ms, "1000.000", "KHz", true},
        {Packet{0xFF, 0xFF, 0x01}, FrequencyGate::Gate1s, "131071", "Hz", true},
        // Beyond one wrap the count says nothing about the frequency.
        {Packet{0x00, 0x10, 0x02}, FrequencyGate::Gate1s, "OVER", "Hz", true},
        {Packet{0x12, 0x34, 0x0F}, FrequencyGate::Gate100ms, "OVER", "KHz", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.readout);
        const CountReadout shown = ComputeFrequencyReadout(c.reply, c.gate);
        EXPECT_EQ(shown.readout, c.readout);
        EXPECT_EQ(shown.unit, c.unit);
        EXPECT_EQ(shown.overflow, c.overflow);
    }
}

TEST(FrequencyCounter, GatePacketsIntervalsAndLamp) {
    Bench bench(Packet{0x00, 0x00, 0x01});
    FrequencyCounterLogic counter(bench.session);
    counter.Load();
    counter.Read();
    EXPECT_EQ(counter.TimerInterval(), 500);
    EXPECT_EQ(counter.Shown().readout, "655.360");
    EXPECT_EQ(counter.OverflowLamp(), kLampLightRed);

    bench.reply = Packet{0x30, 0x39, 0x00};
    counter.SelectGate(FrequencyGate::Gate1s);
    counter.Read();
    EXPECT_EQ(counter.TimerInterval(), 1500);
    EXPECT_EQ(counter.Shown().readout, "12345");
    EXPECT_EQ(counter.Shown().unit, "Hz");
    EXPECT_EQ(counter.OverflowLamp(), kLampGrey);
    EXPECT_EQ(PacketTexts(bench.driver.packets),
              (Texts{"3C 00 00 00 00 00 00 00", "3C 01 00 00 00 00 00 00"}));

    // A failed measurement still sets the interval; lamp and read-out stay.
    counter.SelectGate(FrequencyGate::Gate100ms);
    counter.PressAuto();
    bench.driver.failReads = {3};
    counter.Tick();
    EXPECT_EQ(counter.TimerInterval(), 500);
    EXPECT_FALSE(counter.Auto().TimerEnabled());
    EXPECT_EQ(counter.Shown().readout, "12345");
    EXPECT_EQ(counter.Auto().Tag(), "1");
}

TEST(EventCounter, LoadResetsAndReadsShowTheCount) {
    Bench bench(Packet{0x01, 0x00, 0x00});
    EventCounterLogic counter(bench.session);
    counter.Load();
    EXPECT_EQ(PacketTexts(bench.driver.packets), (Texts{"3D 00 00 00 00 00 00 00"}));
    counter.Read();
    EXPECT_EQ(counter.Shown().readout, "256");
    EXPECT_EQ(counter.OverflowLamp(), kLampGrey);

    // 70 000 events: one wrap of the 16-bit count.
    bench.reply = Packet{0x11, 0x70, 0x01};
    counter.Read();
    EXPECT_EQ(counter.Shown().readout, "70000");
    EXPECT_EQ(counter.OverflowLamp(), kLampLightRed);
    EXPECT_EQ(ComputeEventCountReadout(Packet{0xFF, 0xFF, 0x00}).readout, "65535");

    counter.Start();
    counter.Stop();
    counter.Reset();
    EXPECT_EQ(
        PacketTexts(bench.driver.packets),
        (Texts{"3D 00 00 00 00 00 00 00", "3D 01 00 00 00 00 00 00", "3D 01 00 00 00 00 00 00",
               "3D 02 00 00 00 00 00 00", "3D 03 00 00 00 00 00 00", "3D 00 00 00 00 00 00 00"}));
}

TEST(EventCounter, FailuresOfResetStartStopAreOnlyReportedByTheLink) {
    Bench bench(Packet{0x00, 0x07, 0x00});
    bench.driver.failWrites = {1, 2};
    EventCounterLogic counter(bench.session);
    counter.Load();
    counter.Start();
    EXPECT_EQ(bench.messages.shown.size(), 2u);
    counter.PressAuto();
    counter.Tick();
    EXPECT_EQ(counter.Shown().readout, "7");
    EXPECT_TRUE(counter.Auto().TimerEnabled());
}

}  // namespace
}  // namespace tamro
