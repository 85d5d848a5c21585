#include "instruments/meter_logic.h"

#include <algorithm>
#include <cmath>

#include "common/number_text.h"

namespace tamro {

namespace {

std::string SingleText(float value) {
    return GeneralNumberText(value, 7);
}
std::string DoubleText(double value) {
    return GeneralNumberText(value, 15);
}

}  // namespace

// ---- Volt meter ----

protocol::AnalogChannel VoltChannel(int channelOption) {
    switch (channelOption) {
        case 0:
            return protocol::AnalogChannel::Vpp;
        case 1:
            return protocol::AnalogChannel::Sab;
        default:
            return protocol::AnalogChannel::Vin;
    }
}

float ReplyCount(std::uint8_t high, std::uint8_t low) {
    return static_cast<float>(high * 256 + low);
}

VoltReadout ComputeVoltReadout(std::uint8_t high, std::uint8_t low, float attenuationFactor) {
    VoltReadout out;
    const float count = ReplyCount(high, low);
    out.count = static_cast<unsigned>(high * 256 + low);
    out.rawCount = SingleText(count);
    const float v = count / 50.0f;
    // The bar shows what fits its range; counts beyond full scale pin it at 255.
    const float barValue = std::clamp(v, 0.0f, static_cast<float>(kVoltBarMaximum));
    out.bar = static_cast<int>(std::lround(barValue));
    out.converterDouble = DoubleText((5.0 / 255.0) * static_cast<double>(v));
    const float w = static_cast<float>(static_cast<double>(v) * 0.0196);
    out.converterSingle = SingleText(w);
    const float x = w * attenuationFactor;
    out.readout = FormatPattern(x, "#0.0");
    return out;
}

VoltMeterLogic::VoltMeterLogic(ProgrammerSession& session, SettingsStore& settings)
    : session_(session), settings_(settings) {}

void VoltMeterLogic::Load() {
    channelOption_ = 2;
    windowSize_ = kVoltNormalSize;
    autoRepeat_.Reset();
    attFactor_ = static_cast<float>(NumericValue(factorText_));
    const std::string stored =
        settings_.Read(kVoltSettingsApplication, kVoltSettingsSection, kVoltSettingsKey);
    if (!stored.empty()) {
        // Putting the stored text into the box is a change of the box, which stores it.
        FactorTextChanged(stored);
    } else {
        settings_.Write(kVoltSettingsApplication, kVoltSettingsSection, kVoltSettingsKey,
                        factorText_);
    }
    attFactor_ = static_cast<float>(NumericValue(factorText_));
}

void VoltMeterLogic::Read() {
    const ReadingGuard guard(reading_);
    if (!guard.Acquired()) return;
    attFactor_ = static_cast<float>(NumericValue(factorText_));
    const auto reading = session_.ReadAnalog(VoltChannel(channelOption_));
    if (!reading.ok()) {
        autoRepeat_.ReadingFailed();
        return;
    }
    const Packet& reply = reading.reply;
    shown_ = ComputeVoltReadout(reply[0], reply[1], attFactor_);
    ++readings_;
}

void VoltMeterLogic::PressAuto() {
    autoRepeat_.Press();
}

void VoltMeterLogic::Tick() {
    if (autoRepeat_.TickReads()) Read();
}

void VoltMeterLogic::PressComp() {
    if (NumericValue(compTag_) == 0) {
        windowSize_ = kVoltCalibrationSize;
        compTag_ = "1";
    } else {
        windowSize_ = kVoltNormalSize;
        compTag_ = "0";
    }
}

void VoltMeterLogic::PressBar() {
    windowSize_ = kVoltMaintenanceSize;
}

void VoltMeterLogic::FactorTextChanged(const std::string& text) {
    factorText_ = text;
    settings_.Write(kVoltSettingsApplication, kVoltSettingsSection, kVoltSettingsKey, text);
}

// ---- Frequency counter ----

int FrequencyTimerInterval(FrequencyGate gate) {
    return gate == FrequencyGate::Gate100ms ? 500 : 1500;
}

CountReadout ComputeFrequencyReadout(const Packet& reply, FrequencyGate gate) {
    CountReadout out;
    float count = ReplyCount(reply[0], reply[1]);
    out.count = static_cast<unsigned>(reply[0] * 256 + reply[1]);
    out.wraps = reply[2];
    out.overflow = reply[2] != 0;
    out.unit = gate == FrequencyGate::Gate100ms ? "KHz" : "Hz";
    if (reply[2] > 1) {
        // More than one wrap: no correction can give the number.
        out.readout = kOverText;
        return out;
    }
    if (out.overflow) count += kCounterWrap;
    if (gate == FrequencyGate::Gate100ms) {
        count = count / 100.0f;
        out.readout = FormatPattern(count, "##0.000");
    } else {
        out.readout = FormatPattern(count, "#####0");
    }
    return out;
}

void FrequencyCounterLogic::Load() {
    autoRepeat_.Reset();
    gate_ = FrequencyGate::Gate100ms;
}

void FrequencyCounterLogic::Read() {
    const ReadingGuard guard(reading_);
    if (!guard.Acquired()) return;
    timerInterval_ = FrequencyTimerInterval(gate_);
    const auto reading = session_.CountFrequency(gate_);
    if (!reading.ok()) {
        autoRepeat_.ReadingFailed();
        return;
    }
    shown_ = ComputeFrequencyReadout(reading.reply, gate_);
    overflowLamp_ = shown_.overflow ? kLampLightRed : kLampGrey;
    ++readings_;
}

void FrequencyCounterLogic::Tick() {
    if (autoRepeat_.TickReads()) Read();
}

// ---- Event counter ----

CountReadout ComputeEventCountReadout(const Packet& reply) {
    CountReadout out;
    float count = ReplyCount(reply[0], reply[1]);
    out.overflow = reply[2] != 0;
    if (out.overflow) count += kCounterWrap;
    out.readout = FormatPattern(count, "#####0");
    out.unit = "Cnt";
    return out;
}

void EventCounterLogic::Load() {
    autoRepeat_.Reset();
    Reset();
}

void EventCounterLogic::Read() {
    const ReadingGuard guard(reading_);
    if (!guard.Acquired()) return;
    const auto reading = session_.EventCounter(CounterAction::Read);
    if (!reading.ok()) {
        autoRepeat_.ReadingFailed();
        return;
    }
    shown_ = ComputeEventCountReadout(reading.reply);
    overflowLamp_ = shown_.overflow ? kLampLightRed : kLampGrey;
}

void EventCounterLogic::Tick() {
    if (autoRepeat_.TickReads()) Read();
}

}  // namespace tamro
