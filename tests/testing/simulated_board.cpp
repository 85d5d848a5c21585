#include "tests/testing/simulated_board.h"

#include <signal.h>

#include <cstdlib>

namespace tamro::testing {

SimulatedBoard::SimulatedBoard(std::vector<std::string> arguments)
    : daemon_(std::move(arguments), AppProgramPath("tamro18-firmware-sim")) {}

BoardReport SimulatedBoard::Finish(std::vector<std::string> earlier) {
    BoardReport report;
    report.lines = std::move(earlier);
    daemon_.Signal(SIGTERM);
    for (;;) {
        const std::string line = daemon_.NextLine(std::chrono::seconds(10));
        if (line.empty()) break;
        report.lines.push_back(line);
        if (line.starts_with("  ")) {
            const std::size_t colon = line.rfind(": ");
            report.rules[line.substr(2, colon - 2)] = std::atol(line.c_str() + colon + 2);
        }
        if (line.starts_with("timing violations: ")) {
            report.violations = std::atol(line.c_str() + 19);
            break;
        }
    }
    daemon_.WaitForExit(std::chrono::seconds(10));
    return report;
}

}  // namespace tamro::testing
