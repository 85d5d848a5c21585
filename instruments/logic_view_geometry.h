#pragma once
// The logic view as a bench instrument: which samples a zoom and scroll
// position show, a time axis in real units, two cursors with the time between
// them, and the trace as line segments in device pixels drawn so that every
// sample stays visible, however many share one pixel.

#include <string>
#include <vector>

namespace tamro {

// At the closest zoom ten samples span the view.
inline constexpr double kMaxLogicZoom = 48;

struct LogicViewport {
    double zoom = 1;         // 1: the whole capture fits the view
    double firstSample = 0;  // sample position at the left edge
};

double VisibleSamples(int totalSamples, double zoom);
// The furthest the view scrolls: its right edge at the end of the capture.
double MaxFirstSample(int totalSamples, double zoom);
// Zoom within 1 to kMaxLogicZoom, the view within the capture.
LogicViewport ClampViewport(LogicViewport view, int totalSamples);
// Zooms by `factor`, keeping the sample under `anchor` (0 left edge, 1 right
// edge) where it is.
LogicViewport ZoomAround(LogicViewport view, double factor, double anchor, int totalSamples);

// Sample positions and x in a view `width` pixels wide: sample n spans
// SampleToX(n) to SampleToX(n + 1).
double SampleToX(const LogicViewport& view, int totalSamples, double width, double sample);
double XToSample(const LogicViewport& view, int totalSamples, double width, double x);

// "1.5 ms", "250 µs", "2.000 s": four significant digits in s, ms or µs.
std::string TimeText(double seconds);
// "1.000 kHz": four significant digits in Hz, kHz or MHz.
std::string FrequencyText(double hertz);

struct AxisTick {
    double x = 0;
    std::string label;
};

// Ticks of the time since the trigger at a 1-2-5 step, at least `minSpacing`
// pixels apart, each labelled in the unit of the view's longest time ("0",
// "0.5 s", "1.0 s").
std::vector<AxisTick> TimeAxisTicks(const LogicViewport& view, int totalSamples, double width,
                                    double samplePeriodSeconds, double minSpacing);

// Cursors stand on sample boundaries (the whole sample nearest `sample`,
// within the capture), so the time between them is whole sample periods.
double SnapCursor(double sample, int totalSamples);

struct CursorMeasurement {
    double seconds = 0;         // from the first cursor to the second, not negative
    std::string timeText;       // TimeText(seconds)
    std::string frequencyText;  // FrequencyText(1 / seconds); empty when the cursors meet
};

CursorMeasurement MeasureCursors(double sampleA, double sampleB, double samplePeriodSeconds);

struct TraceSegment {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
};

// The trace of `levels` in a view `width` device pixels wide, high at `highY`
// and low at `lowY`. While a sample spans a pixel or more, runs and edges lie
// on whole pixels, so a single sample is at least one pixel wide; when several
// samples share a pixel column, a column holding both levels is drawn as an
// edge from one level to the other, so a one-sample pulse stays a visible mark.
// The view is first kept within the capture (ClampViewport).
std::vector<TraceSegment> TraceSegments(const std::vector<bool>& levels, const LogicViewport& view,
                                        int width, double highY, double lowY);

}  // namespace tamro
