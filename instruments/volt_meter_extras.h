#pragma once
// The volt meter as a bench meter: "OL" where the converter is at the top of
// its range (the number there could be any voltage above it), minimum and
// maximum since a reset, a hold that freezes the read-out, and a CSV log with
// a timestamp per reading.

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace tamro {

// The converter's last step (255 steps of 50 counts): the input is at or
// beyond the top of the range.
inline constexpr int kVoltFullScaleCount = 12750;
inline constexpr const char* kOverloadText = "OL";

struct VoltReading {
    int count = 0;    // raw count of the reply
    float volts = 0;  // the read-out's value, attenuation applied
    bool overload = false;
    std::string text;  // "#0.0", or "OL" on overload
};

VoltReading MakeVoltReading(std::uint8_t high, std::uint8_t low, float attenuationFactor);

class VoltReadingTracker {
  public:
    // A new reading: the extremes follow it, the read-out too unless held.
    void Add(const VoltReading& reading);
    // While held the read-out keeps the reading it showed; minimum and maximum go on.
    void SetHold(bool hold) { hold_ = hold; }
    void ResetExtremes();

    bool Held() const { return hold_; }
    // The read-out's text: empty before the first reading.
    const std::string& Shown() const { return shown_; }
    // "#0.0" of the lowest and highest reading, "OL" for an overload, empty
    // before the first reading since the reset.
    std::string MinimumText() const;
    std::string MaximumText() const;

  private:
    bool hold_ = false;
    std::string shown_;
    std::optional<VoltReading> minimum_;
    std::optional<VoltReading> maximum_;
};

// One line "time,channel,volts,count" and then one line per reading, each
// flushed at once so that a log stays whole up to its last reading.
class VoltCsvLog {
  public:
    explicit VoltCsvLog(std::ostream& out);
    void Append(std::chrono::system_clock::time_point when, std::string_view channel,
                const VoltReading& reading);

  private:
    std::ostream& out_;
};

// ISO 8601 in UTC with milliseconds: "2026-12-08T23:50:01.250Z".
std::string UtcTimestamp(std::chrono::system_clock::time_point when);

}  // namespace tamro
