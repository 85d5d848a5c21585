#pragma once
// What the platform gives the panel's logic, behind small interfaces so that the
// logic runs the same under the windows, the command-line tool and the tests.

#include <chrono>
#include <string>

namespace tamro {

enum class MessageIcon { Critical, Exclamation, Information };

// The answers to "save the changes before they are thrown away?".
enum class SaveChoice { Save, Discard, Cancel };

// Modal message boxes (with an OK button), yes/no questions and the beep.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Returns when the user has closed the box.
    virtual void Show(MessageIcon icon, const std::string& title, const std::string& text) = 0;
    // True when the user answered Yes.
    virtual bool AskYesNo(const std::string& title, const std::string& text) = 0;
    virtual void Beep() = 0;
    // Asks with Save, Discard and Cancel buttons; closing the box is Cancel.
    // Front ends without windows never hold unsaved text: they keep it.
    virtual SaveChoice AskSaveDiscardCancel(const std::string& /*title*/,
                                            const std::string& /*text*/) {
        return SaveChoice::Cancel;
    }
};

// Per-user settings: text values addressed by application, section and key.
// An absent key reads as the empty text.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::string Read(const std::string& application, const std::string& section,
                             const std::string& key) = 0;
    virtual void Write(const std::string& application, const std::string& section,
                       const std::string& key, const std::string& value) = 0;
};

// "Let pending events run": repaint, timer ticks and queued input, from inside
// an operation.
class EventPump {
  public:
    virtual ~EventPump() = default;
    virtual void ProcessPendingEvents() = 0;
};

// Monotonic time, and waiting without spinning.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::chrono::steady_clock::time_point Now() = 0;
    virtual void SleepFor(std::chrono::microseconds duration) = 0;
};

// The real monotonic clock.
Clock& SystemClock();

// An RGB colour of a label or a shape.
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

}  // namespace tamro
