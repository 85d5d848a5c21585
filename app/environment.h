#pragma once
// The one place that reads the environment. The programs take their settings
// from here and hand them down as option structs; no library reads a variable.

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "emulator/daemon.h"
#include "emulator/programmer.h"
#include "link/driver_table.h"

namespace tamro::app {

// A variable's value, or nothing when it is unset.
using Lookup = std::function<std::optional<std::string>(const std::string& name)>;

// The process environment.
Lookup ProcessEnvironment();

// TAMRO18_DRIVER: the driver setting ("" when unset).
std::string DriverSetting(const Lookup& lookup);

// The emulated programmer the TAMRO18_EMULATOR_* variables describe (see the
// README). A value that cannot be used is named on `warnings` and left at its
// default.
emu::Options EmulatorOptions(const Lookup& lookup, std::ostream& warnings);

// The backends' options: the emulated programmer, the writes and reads it
// fails for tests (TAMRO18_EMULATOR_FAIL_WRITE, TAMRO18_EMULATOR_FAIL_READ) and
// the stream time-out (TAMRO18_DRIVER_TIMEOUT_MS).
DriverOptions BackendOptions(const Lookup& lookup, std::ostream& warnings);

// The emulator daemon's options before its command line is read.
emu::DaemonOptions DaemonDefaults(const Lookup& lookup, std::ostream& warnings);

// The device table's files read over the built-in table at start, in order:
// the installed data files, then the user's own file, TAMRO18_DEVICES or else
// tamro18/devices in the configuration folder.
std::vector<std::string> DeviceTableFiles(const Lookup& lookup);
// Reads them and installs the table; a file with an error is named with its
// line and field on `warnings` and left out.
void InstallDeviceTable(const Lookup& lookup, std::ostream& warnings);

// XDG_CONFIG_HOME, else ~/.config; "" when neither it nor HOME is set.
std::string ConfigFolder(const Lookup& lookup);
// XDG_DATA_HOME, else ~/.local/share; "" when neither it nor HOME is set.
std::string DataFolder(const Lookup& lookup);

}  // namespace tamro::app
