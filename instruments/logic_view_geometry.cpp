#include "instruments/logic_view_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace tamro {

namespace {

struct Unit {
    double scale;
    const char* name;
};

constexpr std::array<Unit, 3> kTimeUnits{{{1.0, "s"}, {1e-3, "ms"}, {1e-6, "µs"}}};
constexpr std::array<Unit, 3> kFrequencyUnits{{{1e6, "MHz"}, {1e3, "kHz"}, {1.0, "Hz"}}};

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Four significant digits in the largest unit that keeps the number at 1 or
// more (the smallest unit for smaller numbers).
std::string FourDigits(double value, const std::array<Unit, 3>& units) {
    if (!std::isfinite(value)) return "-";
    if (value == 0) {
        for (const Unit& unit : units) {
            if (unit.scale == 1.0) return std::string("0 ") + unit.name;
        }
    }
    const double magnitude = std::fabs(value);
    const double exponent = std::floor(std::log10(magnitude));
    const double quantum = std::pow(10.0, exponent - 3);
    const double rounded = std::round(magnitude / quantum) * quantum;
    Unit unit = units.back();
    for (const Unit& candidate : units) {
        if (rounded >= candidate.scale * (1 - 1e-12)) {
            unit = candidate;
            break;
        }
    }
    const double scaled = rounded / unit.scale;
    const int decimals = std::max(0, 3 - static_cast<int>(std::floor(std::log10(scaled) + 1e-9)));
    return (value < 0 ? "-" : "") + Fixed(scaled, decimals) + " " + unit.name;
}

// The smallest of 1, 2, 5 times a power of ten that is at least `minimum`.
double NiceStep(double minimum) {
    const double base = std::pow(10.0, std::floor(std::log10(minimum)));
    for (const double multiple : {1.0, 2.0, 5.0}) {
        if (multiple * base >= minimum * (1 - 1e-9)) return multiple * base;
    }
    return 10 * base;
}

double PixelsPerSample(const LogicViewport& view, int totalSamples, double width) {
    return width * view.zoom / totalSamples;
}

enum class Column { Empty, Low, High, Both };

}  // namespace

double VisibleSamples(int totalSamples, double zoom) {
    return totalSamples / zoom;
}

double MaxFirstSample(int totalSamples, double zoom) {
    return std::max(0.0, totalSamples - VisibleSamples(totalSamples, zoom));
}

LogicViewport ClampViewport(LogicViewport view, int totalSamples) {
    if (!std::isfinite(view.zoom)) view.zoom = 1;
    view.zoom = std::clamp(view.zoom, 1.0, kMaxLogicZoom);
    if (!std::isfinite(view.firstSample)) view.firstSample = 0;
    view.firstSample = std::clamp(view.firstSample, 0.0, MaxFirstSample(totalSamples, view.zoom));
    return view;
}

LogicViewport ZoomAround(LogicViewport view, double factor, double anchor, int totalSamples) {
    view = ClampViewport(view, totalSamples);
    const double anchorSample = view.firstSample + anchor * VisibleSamples(totalSamples, view.zoom);
    LogicViewport zoomed{std::clamp(view.zoom * factor, 1.0, kMaxLogicZoom), 0};
    zoomed.firstSample = anchorSample - anchor * VisibleSamples(totalSamples, zoomed.zoom);
    return ClampViewport(zoomed, totalSamples);
}

double SampleToX(const LogicViewport& view, int totalSamples, double width, double sample) {
    return (sample - view.firstSample) * PixelsPerSample(view, totalSamples, width);
}

double XToSample(const LogicViewport& view, int totalSamples, double width, double x) {
    return view.firstSample + x / PixelsPerSample(view, totalSamples, width);
}

std::string TimeText(double seconds) {
    return FourDigits(seconds, kTimeUnits);
}

std::string FrequencyText(double hertz) {
    return FourDigits(hertz, kFrequencyUnits);
}

std::vector<AxisTick> TimeAxisTicks(const LogicViewport& view, int totalSamples, double width,
                                    double samplePeriodSeconds, double minSpacing) {
    std::vector<AxisTick> ticks;
    if (totalSamples <= 0 || width <= 0 || !(samplePeriodSeconds > 0) || !(minSpacing > 0)) {
        return ticks;
    }
    const double pixelsPerSecond = PixelsPerSample(view, totalSamples, width) / samplePeriodSeconds;
    const double step = NiceStep(minSpacing / pixelsPerSecond);
    const double start = view.firstSample * samplePeriodSeconds;
    const double end =
        (view.firstSample + VisibleSamples(totalSamples, view.zoom)) * samplePeriodSeconds;
    Unit unit = kTimeUnits.back();
    for (const Unit& candidate : kTimeUnits) {
        if (end >= candidate.scale) {
            unit = candidate;
            break;
        }
    }
    const int decimals =
        std::max(0, -static_cast<int>(std::floor(std::log10(step / unit.scale) + 1e-9)));
    const auto first = static_cast<long long>(std::ceil(start / step - 1e-9));
    const auto last = static_cast<long long>(std::floor(end / step + 1e-9));
    for (long long k = first; k <= last; ++k) {
        const double time = static_cast<double>(k) * step;
        const double x = (time - start) * pixelsPerSecond;
        ticks.push_back({x, k == 0 ? "0" : Fixed(time / unit.scale, decimals) + " " + unit.name});
    }
    return ticks;
}

double SnapCursor(double sample, int totalSamples) {
    if (!std::isfinite(sample)) return 0;
    return std::clamp(std::round(sample), 0.0, static_cast<double>(std::max(totalSamples, 0)));
}

CursorMeasurement MeasureCursors(double sampleA, double sampleB, double samplePeriodSeconds) {
    CursorMeasurement measurement;
    measurement.seconds = std::fabs(sampleB - sampleA) * samplePeriodSeconds;
    measurement.timeText = TimeText(measurement.seconds);
    if (measurement.seconds > 0) measurement.frequencyText = FrequencyText(1 / measurement.seconds);
    return measurement;
}

std::vector<TraceSegment> TraceSegments(const std::vector<bool>& levels,
                                        const LogicViewport& requested, int width, double highY,
                                        double lowY) {
    std::vector<TraceSegment> segments;
    const int total = static_cast<int>(levels.size());
    if (total == 0 || width <= 0) return segments;
    const LogicViewport view = ClampViewport(requested, total);
    const double perSample = PixelsPerSample(view, total, width);
    auto horizontal = [&](double x1, double x2, bool high) {
        const double y = high ? highY : lowY;
        segments.push_back({x1, y, x2, y});
    };
    auto edge = [&](double x) { segments.push_back({x, highY, x, lowY}); };

    if (perSample >= 1) {
        // Boundaries on whole pixels: samples a pixel or more wide stay so.
        auto boundary = [&](int n) {
            return std::clamp(std::round((n - view.firstSample) * perSample), 0.0,
                              static_cast<double>(width));
        };
        const int from = std::clamp(static_cast<int>(std::floor(view.firstSample)), 0, total - 1);
        const int to = std::clamp(static_cast<int>(std::ceil(view.firstSample + width / perSample)),
                                  from + 1, total);
        int runStart = from;
        for (int n = from + 1; n <= to; ++n) {
            if (n < to && levels[n] == levels[n - 1]) continue;
            horizontal(boundary(runStart), boundary(n), levels[n - 1]);
            if (n < to) edge(boundary(n));
            runStart = n;
        }
        return segments;
    }

    // Several samples per column: which levels each column holds.
    std::vector<int> highsBefore(total + 1, 0);
    for (int n = 0; n < total; ++n) highsBefore[n + 1] = highsBefore[n] + (levels[n] ? 1 : 0);
    std::vector<Column> columns(width, Column::Empty);
    for (int c = 0; c < width; ++c) {
        const double left = view.firstSample + c / perSample;
        const double right = view.firstSample + (c + 1) / perSample;
        const int first = std::max(0, static_cast<int>(std::floor(left)));
        const int last = std::min(total - 1, static_cast<int>(std::ceil(right)) - 1);
        if (first > last) continue;
        const int highs = highsBefore[last + 1] - highsBefore[first];
        const int count = last - first + 1;
        columns[c] = highs == 0 ? Column::Low : highs == count ? Column::High : Column::Both;
    }
    int c = 0;
    while (c < width) {
        const Column state = columns[c];
        if (state == Column::Empty) {
            ++c;
            continue;
        }
        if (state == Column::Both) {
            edge(c + 0.5);
            ++c;
            continue;
        }
        int end = c;
        while (end + 1 < width && columns[end + 1] == state) ++end;
        // Runs meet the edge of a neighbouring mixed column at its centre.
        const double x1 = (c > 0 && columns[c - 1] == Column::Both) ? c - 0.5 : c;
        const bool nextMixed = end + 1 < width && columns[end + 1] == Column::Both;
        const double x2 = nextMixed ? end + 1.5 : end + 1;
        horizontal(x1, x2, state == Column::High);
        const bool nextOther = end + 1 < width && (columns[end + 1] == Column::Low ||
                                                   columns[end + 1] == Column::High);
        if (nextOther) edge(end + 1);
        c = end + 1;
    }
    return segments;
}

}  // namespace tamro
