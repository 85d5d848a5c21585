#include "instruments/logic_analyzer_logic.h"

#include <gtest/gtest.h>

#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using testing::CountingEventPump;
using testing::PacketTexts;
using testing::RecordingDriver;
using testing::RecordingMessageBoxes;
using Texts = std::vector<std::string>;
using Lines = std::vector<TwipLine>;

constexpr Rgb kNavy = kTraceColour;

class RecordingDisplay final : public LogicAnalyzerDisplay {
  public:
    void ShowBusyLamp(Rgb colour) override { lamps.push_back(colour); }
    void SAMPLEDSP() override { ++redraws; }
    void ShowSampleTimeText(const std::string& text) override { sampleTimeTexts.push_back(text); }
    std::vector<Rgb> lamps;
    int redraws = 0;
    Texts sampleTimeTexts;
};

// Replies to block reads from a 64-byte capture, block b answering bytes 8b..8b+7.
struct Analyzer {
    Analyzer() {
        driver.responder = [this](const Packet& packet) {
            Packet reply{};
            if (packet[0] == protocol::Code(protocol::Command::CaptureRead)) {
                for (int k = 0; k < 8; ++k) reply[k] = captured[8 * packet[1] + k];
            }
            return reply;
        };
        logic.SetDisplay(&display);
        logic.Load();
    }
    std::array<std::uint8_t, 64> captured{};
    RecordingDriver driver;
    RecordingMessageBoxes messages;
    CountingEventPump pump;
    testing::MemorySettingsStore sessionSettings;
    ProgrammerSession session{driver, messages, sessionSettings};
    RecordingDisplay display;
    LogicAnalyzerLogic logic{session, messages, pump};
};

LogicSampleArray ZeroSamples() {
    LogicSampleArray samples;
    ClearSamples(samples);
    return samples;
}

TEST(SampleTime, RoundsKeepsLowEightBitsAndLimitsTo100) {
    EXPECT_EQ(SampleTimeFromText("1").value, 1);
    const SampleTime limited = SampleTimeFromText("150");
    EXPECT_EQ(limited.value, 100);
    EXPECT_TRUE(limited.limited);
    const SampleTime wrapped = SampleTimeFromText("300");
    EXPECT_EQ(wrapped.value, 44);
    EXPECT_FALSE(wrapped.limited);
    EXPECT_EQ(SampleTimeFromText("2.5").value, 2);
    EXPECT_EQ(SampleTimeFromText("3.5").value, 4);
    EXPECT_EQ(SampleTimeFromText("100").value, 100);
    EXPECT_FALSE(SampleTimeFromText("100").limited);
    EXPECT_EQ(SampleTimeFromText("").value, 0);
    EXPECT_EQ(SampleTimeFromText("x").value, 0);
    EXPECT_TRUE(SampleTimeFromText("-1").limited);  // low 8 bits 255
    EXPECT_EQ(SampleTimeFromText("1e300").value, 0);
}

TEST(Capture, ArmAndBlockPacketsInOrder) {
    Analyzer a;
    a.logic.Trigger("5", true);
    a.logic.Trigger("150", false);
    const Texts packets = PacketTexts(a.driver.packets);
    ASSERT_EQ(packets.size(), 18u);
    EXPECT_EQ(packets[0], "36 05 01 00 00 00 00 00");
    EXPECT_EQ(packets[1], "37 00 00 00 00 00 00 00");
    EXPECT_EQ(packets[8], "37 07 00 00 00 00 00 00");
    EXPECT_EQ(packets[9], "36 64 00 00 00 00 00 00");
    EXPECT_EQ(a.display.sampleTimeTexts, Texts{"100"});
}

TEST(Capture, UnpacksSamplesFromTheLastUsedByteBackwards) {
    Analyzer a;
    a.captured[59] = 0x01;  // block 7, reply byte 3, bit 0: the first sample
    a.captured[0] = 0x80;   // block 0, reply byte 0, bit 7: the last sample
    a.captured[60] = 0xFF;  // block 7, reply byte 4: not used
    a.captured[58] = 0x02;  // sample 9
    a.display = RecordingDisplay{};
    a.logic.Trigger("1", true);
    const LogicSampleArray& s = a.logic.Samples();
    EXPECT_EQ(s[0], "1");
    EXPECT_EQ(s[1], "0");
    EXPECT_EQ(s[9], "1");
    EXPECT_EQ(s[479], "1");
    EXPECT_EQ(s[478], "0");
    int ones = 0;
    for (const std::string& sample : s) ones += sample == "1";
    EXPECT_EQ(ones, 3);
    EXPECT_EQ(a.display.lamps, (std::vector<Rgb>{kBusyRunning, kBusyDone}));
    EXPECT_EQ(a.display.redraws, 1);
    EXPECT_EQ(a.pump.calls, 1);
}

TEST(Capture, FailedBlockReadClearsTheTraceAndStops) {
    Analyzer a;
    a.captured.fill(0xFF);
    a.logic.Trigger("1", true);
    EXPECT_EQ(a.logic.Samples()[0], "1");
    a.driver.failReads = {9 + 4};  // block 2 of the second capture
    a.logic.Trigger("1", true);
    EXPECT_EQ(a.driver.writes, 9 + 4);
    ASSERT_EQ(a.messages.shown.size(), 2u);
    EXPECT_EQ(a.messages.shown[0].text, "USB Read Error");
    EXPECT_EQ(a.messages.shown[1].title, "ERROR");
    EXPECT_EQ(a.messages.shown[1].text, "Logic data Loading");
    EXPECT_EQ(a.messages.shown[1].icon, MessageIcon::Critical);
    EXPECT_EQ(a.logic.Samples()[0], "0");
    EXPECT_EQ(a.logic.BusyLamp(), kBusyDone);
}

TEST(Capture, FailedArmPacketGoesOnWithTheBlockReads) {
    Analyzer a;
    a.driver.failWrites = {1};
    a.captured[59] = 0x01;
    a.logic.Trigger("1", true);
    EXPECT_EQ(a.driver.packets.size(), 8u);
    EXPECT_EQ(a.messages.shown.size(), 1u);
    EXPECT_EQ(a.logic.Samples()[0], "1");
}

TEST(Drawpic, AllZeroIsOneLineAlongTheLowLevel) {
    EXPECT_EQ(DRAWPIC(ZeroSamples()), (Lines{{100, 1200, 4900, 1200, kNavy}}));
}

TEST(Drawpic, SingleFirstOne) {
    LogicSampleArray samples = ZeroSamples();
    samples[0] = "1";
    EXPECT_EQ(DRAWPIC(samples), (Lines{{100, 700, 110, 700, kNavy},
                                       {110, 700, 110, 1200, kNavy},
                                       {110, 1200, 4900, 1200, kNavy}}));
}

TEST(Drawpic, PulsesAndAnOpenRunAtTheHighLevel) {
    LogicSampleArray samples = ZeroSamples();
    // 0 1 1 0 then 1 from sample 5 to the end.
    samples[1] = samples[2] = "1";
    for (int n = 5; n < 480; ++n) samples[n] = "1";
    samples[480] = "0";  // beyond the trace: not drawn
    EXPECT_EQ(DRAWPIC(samples), (Lines{{100, 1200, 110, 1200, kNavy},
                                       {110, 1200, 110, 700, kNavy},
                                       {110, 700, 130, 700, kNavy},
                                       {130, 700, 130, 1200, kNavy},
                                       {130, 1200, 150, 1200, kNavy},
                                       {150, 1200, 150, 700, kNavy},
                                       {150, 700, 4900, 700, kNavy}}));
}

TEST(Drawpic, UnknownEntriesDrawNothing) {
    LogicSampleArray samples = ZeroSamples();
    samples[478] = "x";
    samples[479] = "y";
    // The run from 100 stays open but the last pair is neither "00" nor "11".
    EXPECT_TRUE(DRAWPIC(samples).empty());
}

TEST(SampleDisplay, GridAndLabels) {
    const Lines grid = GridLines();
    ASSERT_EQ(grid.size(), 51u);
    EXPECT_EQ(grid[0], (TwipLine{100, 1900, 100, 50, kMajorGridColour}));
    EXPECT_EQ(grid[1], (TwipLine{200, 1900, 200, 50, kMinorGridColour}));
    EXPECT_EQ(grid[10].colour, kMajorGridColour);
    EXPECT_EQ(grid[50], (TwipLine{5100, 1900, 5100, 50, kMajorGridColour}));
    const auto labels = GridLabels();
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_EQ(labels[3].text, "300");
    EXPECT_EQ(labels[3].left, 4050);
    EXPECT_EQ(labels[3].top, 1500);
}

TEST(DataSetAndSampleDisplay, PatternCopiesAndLimits) {
    LogicSampleArray samples = ZeroSamples();
    EXPECT_EQ(SampleDisplayText(samples), std::string(401, '0'));

    EXPECT_EQ(DataSet("012345", samples), 0);
    EXPECT_EQ(SampleDisplayText(samples), std::string(401, '0'));

    EXPECT_EQ(DataSet("0abcdefghij", samples), 5);
    EXPECT_EQ(samples[0], "0");
    EXPECT_EQ(samples[1], "a");
    EXPECT_EQ(samples[5], "e");
    EXPECT_EQ(samples[6], "0");
    EXPECT_EQ(samples[65], "a");
    EXPECT_EQ(samples[257], "a");
    EXPECT_EQ(samples[261], "e");

    // Characters are whole characters, not bytes.
    EXPECT_EQ(DataSet("xé1000000", samples), 3);
    EXPECT_EQ(samples[1], "é");

    // Longer than the array holds: writes past entry 520 are dropped.
    LogicSampleArray full = ZeroSamples();
    std::string pattern(400, '1');
    pattern[299] = 'z';
    EXPECT_EQ(DataSet(pattern, full), 394);
    EXPECT_EQ(full[299], "z");
    EXPECT_EQ(full[520], "1");
    EXPECT_EQ(full[0], "0");
}

TEST(Logic, LoadClearAndDataSetRedraw) {
    Analyzer a;
    EXPECT_EQ(a.display.redraws, 1);
    EXPECT_EQ(a.logic.PatternCount(), 64);
    EXPECT_EQ(SampleDisplayText(a.logic.Samples()), std::string(401, '0'));
    EXPECT_TRUE(a.logic.Samples()[513].empty());
    a.logic.SetPattern(kDemoPattern);
    EXPECT_EQ(a.logic.PatternCount(), 65);
    EXPECT_EQ(a.logic.Samples()[2], "0");
    EXPECT_EQ(a.logic.Samples()[5], "1");
    a.logic.Clear();
    EXPECT_EQ(a.logic.Samples()[5], "0");
    EXPECT_EQ(a.display.redraws, 3);
    EXPECT_TRUE(a.driver.packets.empty());
}

}  // namespace
}  // namespace tamro
