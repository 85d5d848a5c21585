#pragma once
// The programmer board simulator (tamro18-firmware-sim) as a child process:
// its pseudo-terminal as a driver setting, and the report it prints at its end.

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "tests/testing/daemon_process.h"

namespace tamro::testing {

struct BoardReport {
    // Rule -> count, as the simulator lists them; `violations` is its total line.
    std::map<std::string, long> rules;
    long violations = -1;
    // Every line after the pseudo-terminal's path.
    std::vector<std::string> lines;
};

class SimulatedBoard {
  public:
    explicit SimulatedBoard(std::vector<std::string> arguments);

    bool Started() const { return daemon_.FirstLine().starts_with("/dev/"); }
    // "serial:PTY?window=N".
    std::string DriverSetting(int window = 8) const {
        return daemon_.DriverSetting() + "?window=" + std::to_string(window);
    }
    // The next line printed (a power change with --power-log), "" after `limit`.
    std::string NextLine(std::chrono::milliseconds limit) { return daemon_.NextLine(limit); }
    // Stops the simulator (SIGTERM) and reads its report, with the lines read so far.
    BoardReport Finish(std::vector<std::string> earlier = {});

  private:
    DaemonProcess daemon_;
};

}  // namespace tamro::testing
