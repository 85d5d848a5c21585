#pragma once
#include <string>

#include "common/platform.h"
#include "link/driver_table.h"
#include "programming/programmer_choice.h"

namespace tamro {

// Opens the programmer that `driverSetting` names (with `driverOptions`), runs
// start-up and, when the programmer opened, shows the main window and runs the
// event loop until the window closes; `startFile`, when given, is opened as
// File open opens a file. Returns the program's exit status: 1 when the
// programmer was not found (the window is never shown). With a `chooser`,
// Function → "Programmer..." and "Unit not Found" let the user choose another
// programmer.
int RunPanel(const std::string& driverSetting, const DriverOptions& driverOptions,
             MessageBoxes& messages, SettingsStore& settings, EventPump& events,
             ProgrammerChooser* chooser = nullptr, const std::string& startFile = {});

}  // namespace tamro
