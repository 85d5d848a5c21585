#include "instruments/volt_meter_extras.h"

#include <cstdio>
#include <ctime>

#include "common/number_text.h"

namespace tamro {

namespace {

constexpr const char* kReadoutPattern = "#0.0";

std::string ExtremeText(const std::optional<VoltReading>& reading) {
    if (!reading) return {};
    return reading->overload ? kOverloadText : FormatPattern(reading->volts, kReadoutPattern);
}

// Overloads lie above every number.
bool Below(const VoltReading& a, const VoltReading& b) {
    if (a.overload != b.overload) return b.overload;
    return a.volts < b.volts;
}

}  // namespace

VoltReading MakeVoltReading(std::uint8_t high, std::uint8_t low, float attenuationFactor) {
    VoltReading reading;
    reading.count = high * 256 + low;
    // The read-out's own arithmetic, in single precision as shown.
    const float v = static_cast<float>(reading.count) / 50.0f;
    const float w = static_cast<float>(static_cast<double>(v) * 0.0196);
    reading.volts = w * attenuationFactor;
    reading.overload = reading.count >= kVoltFullScaleCount;
    reading.text = reading.overload ? kOverloadText : FormatPattern(reading.volts, kReadoutPattern);
    return reading;
}

void VoltReadingTracker::Add(const VoltReading& reading) {
    if (!hold_ || shown_.empty()) shown_ = reading.text;
    if (!minimum_ || Below(reading, *minimum_)) minimum_ = reading;
    if (!maximum_ || Below(*maximum_, reading)) maximum_ = reading;
}

void VoltReadingTracker::ResetExtremes() {
    minimum_.reset();
    maximum_.reset();
}

std::string VoltReadingTracker::MinimumText() const {
    return ExtremeText(minimum_);
}

std::string VoltReadingTracker::MaximumText() const {
    return ExtremeText(maximum_);
}

VoltCsvLog::VoltCsvLog(std::ostream& out) : out_(out) {
    out_ << "time,channel,volts,count\n";
    out_.flush();
}

void VoltCsvLog::Append(std::chrono::system_clock::time_point when, std::string_view channel,
                        const VoltReading& reading) {
    char volts[32];
    std::snprintf(volts, sizeof volts, "%.3f", static_cast<double>(reading.volts));
    out_ << UtcTimestamp(when) << "," << channel << ","
         << (reading.overload ? std::string(kOverloadText) : std::string(volts)) << ","
         << reading.count << "\n";
    out_.flush();
}

std::string UtcTimestamp(std::chrono::system_clock::time_point when) {
    const auto sinceEpoch =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
    auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    const auto millis = (sinceEpoch - seconds).count();
    const std::time_t whole = static_cast<std::time_t>(seconds.count());
    std::tm parts{};
    gmtime_r(&whole, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(millis));
    return text;
}

}  // namespace tamro
