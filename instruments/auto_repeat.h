#pragma once
// The AUTO mechanism the three meters share: the AUTO button's tag ("1" on,
// "0" off), its lamp, and whether the repeat timer runs. Pressing AUTO always
// enables the timer; a tick reads only while the tag is 1; a failed reading
// disables the timer and leaves tag and lamp as they were.

#include <string>

#include "common/platform.h"

namespace tamro {

inline constexpr Rgb kLampGrey{128, 128, 128};
inline constexpr Rgb kLampOrange{255, 128, 0};
inline constexpr Rgb kLampLightRed{255, 128, 128};

class AutoRepeat {
  public:
    // The tag is compared as a number, as the button's tag text is.
    bool IsOn() const;
    const std::string& Tag() const { return tag_; }
    Rgb Lamp() const { return lamp_; }
    bool TimerEnabled() const { return timerEnabled_; }

    // Command_AUTO_Click.
    void Press();
    // Timer_AUTO_Timer: true when the tick is to run the reading.
    bool TickReads() const { return IsOn(); }
    void ReadingFailed() { timerEnabled_ = false; }
    // Form_Load and Form_Unload: lamp grey, tag "0".
    void Reset();

  private:
    std::string tag_ = "0";
    Rgb lamp_ = kLampGrey;
    bool timerEnabled_ = false;
};

// Marks a reading in progress. A tick that comes while the link's error box
// is open finds the reading still running and does not start a second one.
class ReadingGuard {
  public:
    explicit ReadingGuard(bool& busy) : busy_(busy), owner_(!busy) { busy_ = true; }
    ~ReadingGuard() {
        if (owner_) busy_ = false;
    }
    ReadingGuard(const ReadingGuard&) = delete;
    ReadingGuard& operator=(const ReadingGuard&) = delete;
    // False when another reading was already running.
    bool Acquired() const { return owner_; }

  private:
    bool& busy_;
    bool owner_;
};

}  // namespace tamro
