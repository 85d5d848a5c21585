#pragma once
// Readings of the volt meter, the frequency counter and the event counter:
// the packets they send, the arithmetic on the reply and the texts shown.
// The windows only show what these give.

#include <cstdint>
#include <string>

#include "common/platform.h"
#include "common/twips.h"
#include "instruments/auto_repeat.h"
#include "link/link.h"
#include "common/protocol.h"
#include "programming/programmer_session.h"

namespace tamro {

// ---- Volt meter ----

inline constexpr int kVoltBarMaximum = 255;
inline constexpr int kMeterTimerInterval = 500;
inline constexpr const char* kVoltSettingsApplication = "TAMRO";
inline constexpr const char* kVoltSettingsSection = "DATA";
inline constexpr const char* kVoltSettingsKey = "VOLTATT";
inline constexpr const char* kDefaultAttenuationText = "4.4";

// Window sizes (outer, twips).
inline constexpr TwipSize kVoltNormalSize{3825, 2655};
inline constexpr TwipSize kVoltCalibrationSize{5100, 2655};
inline constexpr TwipSize kVoltMaintenanceSize{3900, 3500};

// Option_CH index (0 "Vpp", 1 "Sab", 2 "Vin") to the analog channel.
protocol::AnalogChannel VoltChannel(int channelOption);

// Raw count of a two-byte reply, high byte first. Read unsigned: a count of
// 8000h or more is a large count, not a negative one.
float ReplyCount(std::uint8_t high, std::uint8_t low);

struct VoltReadout {
    std::string readout;          // VMtext, "#0.0"
    int bar = 0;                  // Volt_Bar, always within 0 to 255
    std::string converterSingle;  // Text1
    std::string converterDouble;  // Text2
    std::string rawCount;         // Text3
    unsigned count = 0;           // the reply's count
};

VoltReadout ComputeVoltReadout(std::uint8_t high, std::uint8_t low, float attenuationFactor);

class VoltMeterLogic {
  public:
    VoltMeterLogic(ProgrammerSession& session, SettingsStore& settings);

    // Form_Load: channel "Vin", normal size, AUTO off, factor loaded or stored.
    void Load();
    // Command_READ_Click (and each AUTO tick): one reading.
    void Read();
    void PressAuto();
    void Tick();
    void PressComp();
    // A mouse-button press on the bar: maintenance size.
    void PressBar();
    // Text_COMP_Change: every change is stored at once.
    void FactorTextChanged(const std::string& text);
    void SelectChannel(int channelOption) { channelOption_ = channelOption; }
    void Unload() { autoRepeat_.Reset(); }

    int ChannelOption() const { return channelOption_; }
    const std::string& FactorText() const { return factorText_; }
    float AttFactor() const { return attFactor_; }
    const VoltReadout& Shown() const { return shown_; }
    // Readings taken so far: a window sees from it whether a new one came.
    int Readings() const { return readings_; }
    const AutoRepeat& Auto() const { return autoRepeat_; }
    const std::string& CompTag() const { return compTag_; }
    TwipSize WindowSize() const { return windowSize_; }

  private:
    ProgrammerSession& session_;
    SettingsStore& settings_;
    int channelOption_ = 2;
    std::string factorText_ = kDefaultAttenuationText;
    float attFactor_ = 0;
    VoltReadout shown_{"0", 0, "Text1", "Text1", "Text1"};
    AutoRepeat autoRepeat_;
    std::string compTag_ = "0";
    TwipSize windowSize_ = kVoltNormalSize;
    bool reading_ = false;
    int readings_ = 0;
};

// ---- Frequency counter ----

inline constexpr TwipSize kFrequencyCounterSize{4200, 2900};

using protocol::FrequencyGate;

// One wrap of the 16-bit hardware counter, added when the reply says it overflowed.
inline constexpr float kCounterWrap = 65536.0f;
// The frequency counter's read-out when the count wrapped more than once.
inline constexpr const char* kOverText = "OVER";

struct CountReadout {
    std::string readout;  // VMtext
    std::string unit;     // Label_unit (frequency counter only)
    bool overflow = false;
    unsigned count = 0;      // the reply's 16-bit count
    std::uint8_t wraps = 0;  // the reply's overflow byte
};

int FrequencyTimerInterval(FrequencyGate gate);
CountReadout ComputeFrequencyReadout(const Packet& reply, FrequencyGate gate);

class FrequencyCounterLogic {
  public:
    explicit FrequencyCounterLogic(ProgrammerSession& session) : session_(session) {}

    void Load();
    void Read();
    void PressAuto() { autoRepeat_.Press(); }
    void Tick();
    void SelectGate(FrequencyGate gate) { gate_ = gate; }
    void Unload() { autoRepeat_.Reset(); }

    FrequencyGate Gate() const { return gate_; }
    const CountReadout& Shown() const { return shown_; }
    // Measurements taken so far: a window sees from it whether a new one came.
    int Readings() const { return readings_; }
    Rgb OverflowLamp() const { return overflowLamp_; }
    const AutoRepeat& Auto() const { return autoRepeat_; }
    int TimerInterval() const { return timerInterval_; }

  private:
    ProgrammerSession& session_;
    FrequencyGate gate_ = FrequencyGate::Gate100ms;
    CountReadout shown_{"0", "KHz", false};
    Rgb overflowLamp_ = kLampGrey;
    AutoRepeat autoRepeat_;
    int timerInterval_ = kMeterTimerInterval;
    bool reading_ = false;
    int readings_ = 0;
};

// ---- Event counter ----

inline constexpr TwipSize kEventCounterSize{3600, 2970};

using CounterAction = protocol::EventCounterAction;

CountReadout ComputeEventCountReadout(const Packet& reply);

class EventCounterLogic {
  public:
    explicit EventCounterLogic(ProgrammerSession& session) : session_(session) {}

    // Form_Load: AUTO off, then the reset packet.
    void Load();
    void Read();
    // Their outcome is not looked at: a failed exchange has shown its box.
    void Reset() { session_.EventCounter(CounterAction::Reset); }
    void Start() { session_.EventCounter(CounterAction::Start); }
    void Stop() { session_.EventCounter(CounterAction::Stop); }
    void PressAuto() { autoRepeat_.Press(); }
    void Tick();
    void Unload() { autoRepeat_.Reset(); }

    const CountReadout& Shown() const { return shown_; }
    Rgb OverflowLamp() const { return overflowLamp_; }
    const AutoRepeat& Auto() const { return autoRepeat_; }

  private:
    ProgrammerSession& session_;
    CountReadout shown_{"0", "Cnt", false};
    Rgb overflowLamp_ = kLampGrey;
    AutoRepeat autoRepeat_;
    bool reading_ = false;
};

}  // namespace tamro
