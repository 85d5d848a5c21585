#include "instruments/frequency_auto_gate.h"

namespace tamro {

AutoGateStep AutoGate::After(int count, std::uint8_t overflow) {
    if (gate_ == FrequencyGate::Gate1s) {
        if (overflow == 0) return AutoGateStep::Show;
        gate_ = FrequencyGate::Gate100ms;
        return AutoGateStep::Remeasure;
    }
    if (overflow == 0 && count <= kAutoGateSlowCount) gate_ = FrequencyGate::Gate1s;
    return AutoGateStep::Show;
}

GatedCount MeasureWithAutoGate(AutoGate& autoGate,
                               const std::function<std::optional<Packet>(FrequencyGate)>& measure) {
    // At most twice: only a 1 s count asks for another measurement.
    for (;;) {
        GatedCount taken{measure(autoGate.Gate()), autoGate.Gate()};
        if (!taken.reply) return taken;
        const Packet& reply = *taken.reply;
        if (autoGate.After(reply[0] * 256 + reply[1], reply[2]) == AutoGateStep::Show) return taken;
    }
}

}  // namespace tamro
