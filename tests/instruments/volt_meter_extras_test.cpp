#include "instruments/volt_meter_extras.h"

#include <gtest/gtest.h>

#include <sstream>

#include "emulator/programmer.h"
#include "instruments/meter_logic.h"

namespace tamro {
namespace {

TEST(VoltReading, TopOfTheConverterRangeReadsOL) {
    struct Case {
        std::uint8_t high;
        std::uint8_t low;
        float factor;
        const char* text;
        bool overload;
    };
    const Case cases[] = {
        {0x00, 0x00, 4.4f, "0.0", false},
        {0x31, 0xCD, 4.4f, "22.0", false},  // 12749: one count below the top
        {0x31, 0xCE, 4.4f, "OL", true},     // 12750: the converter's last step
        {0x31, 0xCE, 1.0f, "OL", true},     // whatever the factor
        {0xFF, 0xFF, 4.4f, "OL", true},
        {0x13, 0x88, 4.4f, "8.6", false},  // 5000
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const VoltReading reading = MakeVoltReading(c.high, c.low, c.factor);
        EXPECT_EQ(reading.text, c.text);
        EXPECT_EQ(reading.overload, c.overload);
        EXPECT_EQ(reading.count, c.high * 256 + c.low);
        // Below the top the number is the one the read-out has always shown.
        if (!c.overload) {
            EXPECT_EQ(reading.text, ComputeVoltReadout(c.high, c.low, c.factor).readout);
        }
    }
}

TEST(VoltReading, EmulatedInputsInAndBeyondRange) {
    struct Case {
        double vin;
        const char* text;
    };
    for (const Case& c :
         {Case{9.0, "9.0"}, Case{19.9, "19.9"}, Case{25.0, "OL"}, Case{-3, "0.0"}}) {
        SCOPED_TRACE(c.text);
        emu::Options options;
        options.vinVolts = c.vin;
        emu::Programmer programmer(options);
        const auto reply = programmer.Exchange(
            {protocol::Code(protocol::Command::AnalogRead), protocol::Code(VoltChannel(2))});
        EXPECT_EQ(MakeVoltReading(reply[0], reply[1], 4.4f).text, c.text);
    }
}

VoltReading Volts(float volts) {
    VoltReading reading;
    reading.volts = volts;
    return reading;
}

TEST(VoltReadingTracker, ExtremesHoldAndReset) {
    VoltReading overload;
    overload.overload = true;
    overload.text = "OL";

    VoltReadingTracker tracker;
    EXPECT_EQ(tracker.Shown(), "");
    EXPECT_EQ(tracker.MinimumText(), "");
    struct Step {
        VoltReading reading;
        bool hold;  // before the reading comes
        const char* shown;
        const char* minimum;
        const char* maximum;
    };
    auto reading = [](float volts, const char* text) {
        VoltReading r = Volts(volts);
        r.text = text;
        return r;
    };
    const Step steps[] = {
        {reading(5.04f, "5.0"), false, "5.0", "5.0", "5.0"},
        {reading(3.0f, "3.0"), false, "3.0", "3.0", "5.0"},
        {reading(7.5f, "7.5"), false, "7.5", "3.0", "7.5"},
        {reading(1.0f, "1.0"), true, "7.5", "1.0", "7.5"},  // held; extremes go on
        {overload, true, "7.5", "1.0", "OL"},
        {reading(9.0f, "9.0"), true, "7.5", "1.0", "OL"},  // nothing is above an overload
        {reading(2.0f, "2.0"), false, "2.0", "1.0", "OL"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.reading.text);
        tracker.SetHold(step.hold);
        tracker.Add(step.reading);
        EXPECT_EQ(tracker.Shown(), step.shown);
        EXPECT_EQ(tracker.MinimumText(), step.minimum);
        EXPECT_EQ(tracker.MaximumText(), step.maximum);
    }
    tracker.ResetExtremes();
    EXPECT_EQ(tracker.MaximumText(), "");
    tracker.Add(overload);
    EXPECT_EQ(tracker.MinimumText(), "OL");
    EXPECT_EQ(tracker.Shown(), "OL");
}

TEST(VoltCsvLog, OneTimestampedLinePerReading) {
    std::ostringstream out;
    VoltCsvLog log(out);
    const auto start = std::chrono::system_clock::time_point(std::chrono::seconds(1796773801));
    log.Append(start + std::chrono::milliseconds(250), "Vin", MakeVoltReading(0x13, 0x88, 4.4f));
    log.Append(start + std::chrono::milliseconds(750), "Sab", MakeVoltReading(0x31, 0xCE, 4.4f));
    EXPECT_EQ(out.str(),
              "time,channel,volts,count\n"
              "2026-12-08T23:50:01.250Z,Vin,8.624,5000\n"
              "2026-12-08T23:50:01.750Z,Sab,OL,12750\n");
}

}  // namespace
}  // namespace tamro
