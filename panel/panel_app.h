#pragma once
#include <string>

#include "common/platform.h"
#include "link/driver_table.h"

namespace tamro {

// Opens the programmer that `driverSetting` names (with `driverOptions`), runs start-up and, when
// the programmer opened, shows the main window and runs the event loop until the window closes.
// Returns the program's exit status: 1 when the programmer was not found (the window is never
// shown).
int RunPanel(const std::string& driverSetting, const DriverOptions& driverOptions,
             MessageBoxes& messages, SettingsStore& settings, EventPump& events);

}  // namespace tamro
