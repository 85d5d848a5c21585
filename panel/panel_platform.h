#pragma once
// What the main window and the windows it opens need from the platform.

#include <optional>
#include <string>

#include "common/platform.h"
#include "link/driver_library.h"
#include "programming/programmer_choice.h"
#include "tools/desktop_launch.h"
#include "tools/file_dialogs.h"
#include "tools/process_runner.h"

namespace tamro {

struct PanelPlatform {
    DriverLibrary& driver;
    MessageBoxes& messages;
    SettingsStore& settings;
    EventPump& events;
    DesktopLauncher& launcher;
    FileDialogs& dialogs;
    ProcessRunner& processes;
    // Shown where the user sees it, so an emulated programmer is never taken
    // for hardware.
    bool emulatedProgrammer = false;
    // Function → "Programmer..." and the way on after "Unit not Found"; none
    // leaves the menu entry without effect.
    ProgrammerSwitch* programmerSwitch = nullptr;
    // The driver setting the panel starts with, for "Unit not Found" to name;
    // the programmer switch's current one once there is a switch.
    std::optional<std::string> driverSetting = std::nullopt;
};

}  // namespace tamro
