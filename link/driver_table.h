#pragma once
// Backends are chosen by name from one table:
//   "" or "emulator"  the in-process emulated programmer
//   "serial:PATH"     a programmer that appears as a serial device
//   "tcp:HOST:PORT"   a programmer reached over TCP
#include <memory>
#include <string>
#include <string_view>

#include "link/driver_library.h"

namespace tamro {

// The backend a driver setting names, or nullptr (with `error` set)
// when it names none.
std::unique_ptr<DriverLibrary> MakeDriver(std::string_view setting, std::string* error = nullptr);

// The driver setting from the environment variable TAMRO18_DRIVER ("" when unset).
std::string DriverSettingFromEnvironment();

// True when the driver setting selects the emulated programmer.
bool IsEmulatorSetting(std::string_view setting);

// A driver that never opens (open result -2): what the panel gets when the
// setting names no backend, so that start-up takes its "Unit not Found" path.
std::unique_ptr<DriverLibrary> MakeUnavailableDriver();

// The backend the driver setting names, or the unavailable driver.
std::unique_ptr<DriverLibrary> MakeDriverOrUnavailable(std::string_view setting,
                                                       std::string* error = nullptr);

}  // namespace tamro
