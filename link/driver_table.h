#pragma once
// Backends are chosen by name from one table:
//   "" or "emulator"  the in-process emulated programmer
//   "serial:PATH"     a programmer that appears as a serial device
//   "tcp:HOST:PORT"   a programmer reached over TCP
//   "hid:VID:PID[:SERIAL]"          a USB HID programmer (hidapi)
//   "usb:VID:PID[:OUT-EP:IN-EP]"    a vendor-class USB programmer (libusb)
// Any setting may end in "?window=N": how many packets the link may keep in
// flight (default 1, stop-and-wait). A serial setting may also name its line
// rate, "?baud=N" (options joined by '&'); kDefaultSerialBaud otherwise.
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "emulator/programmer.h"
#include "link/driver_library.h"

namespace tamro {

struct DriverOptions {
    // The in-process emulated programmer.
    emu::Options emulator;
    // For tests of failure paths: the n-th write or read (from 1) of the
    // emulated programmer fails.
    std::set<long> failingWrites;
    std::set<long> failingReads;
    // How long a read waits for a whole reply (and a write or connect for the
    // other side) before it returns a short count.
    std::chrono::milliseconds timeout{2000};
    // Packets the link may keep in flight before it waits for a reply.
    int window = 1;
};

// A driver setting taken apart: "serial:/dev/ttyACM0?window=4" has the backend
// "serial", the argument "/dev/ttyACM0" and the window 4.
struct ParsedDriverSetting {
    std::string backend;
    std::string argument;
    bool hasArgument = false;
    int window = 1;
    // The serial line rate; 0 when the setting names none.
    int baud = 0;
};

// The serial rate when a setting names none: the fastest that an ATmega328P
// at 16 MHz and the common USB-serial bridges (ATmega16U2, CH340, FT232R,
// CP2102) all carry without errors.
inline constexpr int kDefaultSerialBaud = 1000000;

// Splits a setting; nullopt (with `error` set) when its options are malformed.
// "" is the emulator. Whether the backend exists is MakeDriver's question.
std::optional<ParsedDriverSetting> ParseDriverSetting(std::string_view setting,
                                                      std::string* error = nullptr);

// `base` with what the setting's options change (the window).
std::optional<DriverOptions> DriverOptionsFromSetting(std::string_view setting,
                                                      DriverOptions base = {},
                                                      std::string* error = nullptr);

// The backend a driver setting names, or nullptr (with `error` set) when it names none.
std::unique_ptr<DriverLibrary> MakeDriver(std::string_view setting, const DriverOptions& options,
                                          std::string* error = nullptr);
// The same with the default options.
std::unique_ptr<DriverLibrary> MakeDriver(std::string_view setting, std::string* error = nullptr);

// True when the driver setting selects the emulated programmer.
bool IsEmulatorSetting(std::string_view setting);

// A driver that never opens (open result -2): what the panel gets when the
// setting names no backend, so that start-up takes its "Unit not Found" path.
// It reports `cause` as the reason.
std::unique_ptr<DriverLibrary> MakeUnavailableDriver(OpenFailureCause cause = {});

// The backend the driver setting names, or the unavailable driver.
std::unique_ptr<DriverLibrary> MakeDriverOrUnavailable(std::string_view setting,
                                                       const DriverOptions& options = {},
                                                       std::string* error = nullptr);

// Why a programmer could not be opened: the setting tried and what went wrong.
struct OpenFailure {
    std::string setting;
    OpenProblem problem = OpenProblem::Failed;
    std::string detail;
};

// The failure of `driver`'s last Open(); `driver` was made from `setting`.
OpenFailure DescribeOpenFailure(std::string_view setting, const DriverLibrary& driver);
// One line for the user, e.g. `driver setting "serial:/dev/ttyACM0": /dev/ttyACM0
// exists, but permission to read and write it was denied`.
std::string OpenFailureText(const OpenFailure& failure);

}  // namespace tamro
