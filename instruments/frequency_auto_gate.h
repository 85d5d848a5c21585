#pragma once
// Automatic gate of the frequency counter: the 1 s gate counts to the hertz
// but its 16-bit count overflows above 65 535 Hz; the 100 ms gate reaches the
// input's 1 MHz with one counter wrap but resolves only 10 Hz. The automatic
// gate takes the 100 ms gate as soon as the 1 s gate overflows, and the 1 s
// gate again once a 100 ms count is low enough for it, with a margin so that
// a frequency near the limit does not make it switch on every reading.

#include <cstdint>
#include <functional>
#include <optional>

#include "instruments/meter_logic.h"

namespace tamro {

// 100 ms counts at or below this (60 kHz) switch to the 1 s gate.
inline constexpr int kAutoGateSlowCount = 6000;

enum class AutoGateStep {
    Show,       // the reading stands
    Remeasure,  // the 1 s gate overflowed: measure again at once with the 100 ms gate
};

class AutoGate {
  public:
    // The gate of the next measurement; the automatic gate starts at 100 ms.
    FrequencyGate Gate() const { return gate_; }
    // After a measurement with Gate(): the reply's 16-bit count and its
    // overflow byte decide the gate of the next one.
    AutoGateStep After(int count, std::uint8_t overflow);
    void Reset() { gate_ = FrequencyGate::Gate100ms; }

  private:
    FrequencyGate gate_ = FrequencyGate::Gate100ms;
};

// The reply of one measurement and the gate it was taken with.
struct GatedCount {
    std::optional<Packet> reply;  // empty when the exchange failed
    FrequencyGate gate = FrequencyGate::Gate100ms;
};

// One reading with the automatic gate: `measure` takes a count with the gate
// given. A 1 s count that overflowed is taken again at once with the 100 ms
// gate, so the reading shown is never the overflowed one.
GatedCount MeasureWithAutoGate(AutoGate& autoGate,
                               const std::function<std::optional<Packet>(FrequencyGate)>& measure);

}  // namespace tamro
