#pragma once
// Which programmer the panel talks to: the emulated one or one of the devices
// found on this machine, chosen in a dialog and kept in the settings store.
// A new choice takes effect by closing the link, putting the new backend in
// and running the start-up exchanges again; the loaded image stays.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/platform.h"
#include "link/device_listing.h"
#include "link/switchable_driver.h"
#include "programming/programmer_session.h"

namespace tamro {

struct ProgrammerChoice {
    std::string setting;  // the driver setting, e.g. "emulator", "hid:04d8:003f"
    std::string text;     // what the dialog shows for it
};

// The emulated programmer first, then the detected devices, as `list` shows them.
std::vector<ProgrammerChoice> ProgrammerChoices(const std::vector<ProgrammerCandidate>& detected);

// The dialog that lets the user pick one; nullopt when it was cancelled.
class ProgrammerChooser {
  public:
    virtual ~ProgrammerChooser() = default;
    virtual std::optional<std::string> Choose(const std::vector<ProgrammerChoice>& choices,
                                              const std::string& current) = 0;
};

// A typed driver setting's fault ("no driver backend named \"x\"", a
// malformed ?window= or ?baud=); nullopt when the setting names a backend
// the panel can make.
std::optional<std::string> DriverSettingProblem(const std::string& setting);

// "Unit not Found" and, on the next line, why: the setting tried and what went
// wrong when `driver` (made from `setting`) was opened.
std::string UnitNotFoundText(const std::string& setting, const DriverLibrary& driver);

// The choice kept in the settings store ("" when none was made).
std::string StoredDriverSetting(SettingsStore& settings);
void StoreDriverSetting(SettingsStore& settings, const std::string& setting);
// The setting the panel starts with: the one the environment names when it
// names one, otherwise the stored choice.
std::string StartingDriverSetting(const std::optional<std::string>& environment,
                                  SettingsStore& settings);

class ProgrammerSwitch {
  public:
    using DriverMaker = std::function<std::unique_ptr<DriverLibrary>(const std::string& setting)>;
    using DeviceLister = std::function<std::vector<ProgrammerCandidate>()>;

    ProgrammerSwitch(SwitchableDriver& driver, SettingsStore& settings, ProgrammerChooser& chooser,
                     DriverMaker makeDriver, DeviceLister listDevices, std::string current);

    enum class Outcome {
        Cancelled,  // the dialog was closed without a choice; nothing changed
        Connected,  // the chosen programmer opened and the start-up sequence ran
        NotFound,   // the chosen programmer did not open; the link stays closed
        Refused,    // a request of the session runs; nothing was asked
    };
    // Shows the dialog and, on a choice, reconnects `session` to it; with
    // `startUp` (after start-up found no programmer) runs the whole start-up.
    Outcome Choose(ProgrammerSession& session, bool startUp = false);

    const std::string& Current() const { return current_; }
    // True when the current choice is the emulated programmer.
    bool Emulated() const;

  private:
    SwitchableDriver& driver_;
    SettingsStore& settings_;
    ProgrammerChooser& chooser_;
    DriverMaker makeDriver_;
    DeviceLister listDevices_;
    std::string current_;
};

}  // namespace tamro
