#pragma once
// Constructors of the individual backends; the driver table picks among them.
#include <memory>
#include <string>

#include "link/driver_table.h"

namespace tamro {

// The emulated programmer with the options' emulator and failing writes and reads.
std::unique_ptr<DriverLibrary> MakeEmulatorDriver(const DriverOptions& options);

}  // namespace tamro
