#pragma once
// Small pieces the device backends and the device listing share.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/driver_library.h"

namespace tamro {

// "04d8", "4D8" or "0x04d8": a 16-bit USB vendor or product ID.
std::optional<std::uint16_t> ParseUsbId(std::string_view text);
// Four lower-case hexadecimal digits, as lsusb shows IDs.
std::string UsbIdText(std::uint16_t id);
// `text` cut at each ':'.
std::vector<std::string> SplitAtColons(const std::string& text);

// The open failure that an errno from opening `device` stands for.
OpenFailureCause OpenFailureFromErrno(const std::string& device, int error);

}  // namespace tamro
