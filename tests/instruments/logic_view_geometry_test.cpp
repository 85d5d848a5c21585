#include "instruments/logic_view_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tamro {
namespace {

constexpr int kSamples = 480;

TEST(LogicViewport, ZoomKeepsTheAnchoredSampleAndTheViewStaysInTheCapture) {
    struct Case {
        LogicViewport start;
        double factor;
        double anchor;
        LogicViewport expected;
    };
    const Case cases[] = {
        {{1, 0}, 2, 0.5, {2, 120}},    // sample 240 stays in the middle
        {{2, 120}, 0.5, 0.5, {1, 0}},  // back out: the whole capture again
        {{1, 0}, 4, 0.25, {4, 90}},    // sample 120 stays a quarter in
        {{1, 0}, 1000, 0, {kMaxLogicZoom, 0}},
        {{1, 0}, 8, 1, {8, 420}},     // right edge stays at the end
        {{4, 1000}, 1, 0, {4, 360}},  // scrolled past the end
        {{0.2, 50}, 1, 0, {1, 0}},    // never smaller than the whole capture
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start.zoom << "x at " << c.start.firstSample);
        const LogicViewport view = ZoomAround(c.start, c.factor, c.anchor, kSamples);
        EXPECT_DOUBLE_EQ(view.zoom, c.expected.zoom);
        EXPECT_DOUBLE_EQ(view.firstSample, c.expected.firstSample);
        EXPECT_LE(view.firstSample + VisibleSamples(kSamples, view.zoom), kSamples + 1e-9);
    }
    const LogicViewport view{6, 100};
    EXPECT_DOUBLE_EQ(XToSample(view, kSamples, 350, SampleToX(view, kSamples, 350, 123.5)), 123.5);
    EXPECT_DOUBLE_EQ(SampleToX({1, 0}, kSamples, 320, kSamples), 320);
}

TEST(LogicTimeAxis, TicksAreLabelledInRealTimeWhereTheyStand) {
    struct Case {
        int sampleTime;  // in 0.1 ms
        LogicViewport view;
        double width;
        double minSpacing;
        std::vector<std::string> labels;
        std::vector<double> xs;
    };
    const Case cases[] = {
        {1, {1, 0}, 480, 60, {"0", "10 ms", "20 ms", "30 ms", "40 ms"}, {0, 100, 200, 300, 400}},
        {100, {1, 0}, 480, 60, {"0", "1 s", "2 s", "3 s", "4 s"}, {0, 100, 200, 300, 400}},
        {1,
         {48, 235},
         480,
         60,
         {"23.6 ms", "23.8 ms", "24.0 ms", "24.2 ms", "24.4 ms"},
         {48, 144, 240, 336, 432}},
        {5,
         {2, 240},
         300,
         50,
         {"120 ms", "140 ms", "160 ms", "180 ms", "200 ms", "220 ms", "240 ms"},
         {0, 50, 100, 150, 200, 250, 300}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sampleTime);
        const auto ticks =
            TimeAxisTicks(c.view, kSamples, c.width, c.sampleTime * 1e-4, c.minSpacing);
        ASSERT_EQ(ticks.size(), c.labels.size());
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            EXPECT_EQ(ticks[i].label, c.labels[i]);
            EXPECT_NEAR(ticks[i].x, c.xs[i], 1e-6);
        }
    }
    EXPECT_TRUE(TimeAxisTicks({1, 0}, kSamples, 0, 1e-4, 40).empty());
}

TEST(LogicCursors, TimeBetweenAndTheFrequencyItMeans) {
    struct Case {
        double a;
        double b;
        double period;
        const char* time;
        const char* frequency;
    };
    const Case cases[] = {
        {0, 10, 1e-4, "1.000 ms", "1.000 kHz"},
        {480, 0, 1e-2, "4.800 s", "0.2083 Hz"},
        {100, 103, 2.5e-3, "7.500 ms", "133.3 Hz"},
        {17, 17, 1e-4, "0 s", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        const CursorMeasurement m = MeasureCursors(c.a, c.b, c.period);
        EXPECT_NEAR(m.seconds, std::fabs(c.b - c.a) * c.period, 1e-12);
        EXPECT_EQ(m.timeText, c.time);
        EXPECT_EQ(m.frequencyText, c.frequency);
    }
    EXPECT_EQ(SnapCursor(3.5, kSamples), 4);
    EXPECT_EQ(SnapCursor(-7, kSamples), 0);
    EXPECT_EQ(SnapCursor(612, kSamples), kSamples);
    EXPECT_EQ(SnapCursor(std::nan(""), kSamples), 0);
}

constexpr double kHighY = 10;
constexpr double kLowY = 40;

bool Horizontal(const TraceSegment& s) {
    return s.y1 == s.y2;
}

// A one-sample pulse of either level in a capture of the other stays visible
// at its place: at least a pixel of its level while a sample spans a pixel or
// more, an edge mark where samples share pixels. And the trace never leaves a
// pixel column of the capture empty.
TEST(LogicTrace, EverySampleStaysVisibleAtEveryZoom) {
    const int widths[] = {320, 351, 1000, 4800};
    const double zooms[] = {1, 1.37, 3, 10, kMaxLogicZoom};
    const int pulses[] = {0, 1, 239, 478, 479};
    for (const bool pulseHigh : {true, false}) {
        for (const int width : widths) {
            for (const double zoom : zooms) {
                for (const int pulse : pulses) {
                    SCOPED_TRACE(testing::Message() << "width " << width << " zoom " << zoom
                                                    << " pulse " << pulse << " high " << pulseHigh);
                    std::vector<bool> levels(kSamples, !pulseHigh);
                    levels[pulse] = pulseHigh;
                    const LogicViewport view =
                        ClampViewport({zoom, pulse - VisibleSamples(kSamples, zoom) / 2}, kSamples);
                    const auto segments = TraceSegments(levels, view, width, kHighY, kLowY);
                    const double pulseY = pulseHigh ? kHighY : kLowY;
                    const double left = SampleToX(view, kSamples, width, pulse);
                    const double right = SampleToX(view, kSamples, width, pulse + 1);
                    const bool wide = right - left >= 1;
                    double widest = 0;
                    bool marked = false;
                    for (const TraceSegment& s : segments) {
                        const double from = std::min(s.x1, s.x2);
                        const double to = std::max(s.x1, s.x2);
                        if (to < left - 1 || from > right + 1) continue;
                        if (Horizontal(s) && s.y1 == pulseY) widest = std::max(widest, to - from);
                        if (!Horizontal(s)) marked = true;
                    }
                    if (wide) {
                        EXPECT_GE(widest, 1);
                    } else {
                        EXPECT_TRUE(marked || widest >= 1);
                    }

                    // Every pixel column under the capture holds some of the trace.
                    const int covered = static_cast<int>(
                        std::min<double>(width, SampleToX(view, kSamples, width, kSamples)));
                    std::vector<bool> inked(width, false);
                    for (const TraceSegment& s : segments) {
                        const int from = static_cast<int>(std::floor(std::min(s.x1, s.x2)));
                        const int to = Horizontal(s)
                                           ? static_cast<int>(std::ceil(std::max(s.x1, s.x2))) - 1
                                           : from;
                        for (int x = std::max(from, 0); x <= std::min(to, width - 1); ++x) {
                            inked[x] = true;
                        }
                        EXPECT_TRUE(s.y1 == kHighY || s.y1 == kLowY);
                        EXPECT_TRUE(s.y2 == kHighY || s.y2 == kLowY);
                    }
                    for (int x = 0; x < covered; ++x) ASSERT_TRUE(inked[x]) << "column " << x;
                }
            }
        }
    }
}

TEST(LogicTrace, ConstantInputIsOneLineAtItsLevel) {
    for (const bool level : {false, true}) {
        const std::vector<bool> levels(kSamples, level);
        for (const double zoom : {1.0, 5.0}) {
            const auto segments = TraceSegments(levels, {zoom, 100}, 320, kHighY, kLowY);
            ASSERT_EQ(segments.size(), 1u);
            EXPECT_EQ(segments[0].y1, level ? kHighY : kLowY);
            EXPECT_EQ(segments[0].x1, 0);
            EXPECT_EQ(segments[0].x2, 320);
        }
    }
    EXPECT_TRUE(TraceSegments({}, {}, 320, kHighY, kLowY).empty());
}

}  // namespace
}  // namespace tamro
