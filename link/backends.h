#pragma once
// Constructors of the individual backends; the driver table picks among them.
#include <memory>
#include <string>

#include "emulator/programmer.h"
#include "link/driver_library.h"

namespace tamro {

// The emulated programmer, configured from the TAMRO18_EMULATOR_* environment.
std::unique_ptr<DriverLibrary> MakeEmulatorDriver();
// The emulated programmer with `options`.
std::unique_ptr<DriverLibrary> MakeEmulatorDriver(emu::Options options);
// A serial device at `path` (raw 8-byte packets and replies).
std::unique_ptr<DriverLibrary> MakeSerialDriver(const std::string& path);
// A TCP connection to `host`:`port`.
std::unique_ptr<DriverLibrary> MakeTcpDriver(const std::string& host, const std::string& port);

}  // namespace tamro
