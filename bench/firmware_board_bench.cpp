// A full 32 KB WRITE with verify through the programmer firmware on the
// simulated board, for each group: the simulated time (what a real board
// takes at the firmware's baud rate) beside the ICSP floor at a 1 MHz clock
// and the wall time the simulation took.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/write_bench_support.h"
#include "link/driver_table.h"
#include "programming/device.h"
#include "tests/testing/simulated_board.h"

namespace tamro {
namespace {

// ICSP time alone for a full write plus verify at a 1 MHz clock.
constexpr double kFloorSeconds452 = 5.7;
constexpr double kFloorSeconds4520 = 2.3;

struct Span {
    double simulated = 0;
    // Of it, the time the board waited for this (busy) machine's host.
    double hostWait = 0;
};

// From the first to the last power line of the run.
Span SimulatedSpan(const std::vector<std::string>& lines) {
    double first = -1, last = -1, firstWait = 0, lastWait = 0;
    for (const std::string& line : lines) {
        double at = 0, wait = 0;
        if (std::sscanf(line.c_str(),
                        "%lf s: Vpp %*[^;]; last host byte at %*f s; waited for the host %lf s",
                        &at, &wait) != 2) {
            continue;
        }
        if (first < 0) {
            first = at;
            firstWait = wait;
        }
        last = at;
        lastWait = wait;
    }
    return {last - first, lastWait - firstWait};
}

void BM_FullWriteThroughFirmware(benchmark::State& state) {
    const bool is4520 = state.range(0) == 1;
    const int window = static_cast<int>(state.range(1));
    testing::SimulatedBoard board({"--device", is4520 ? "18F4520" : "18F452", "--power-log"});
    if (!board.Started()) {
        state.SkipWithError("tamro18-firmware-sim did not start");
        return;
    }
    DriverOptions options;
    options.timeout = std::chrono::seconds(30);
    auto driver = MakeDriver(board.DriverSetting(window), options);
    driver->Open();
    // The power lines of the start (supply off to on) are not the WRITE's.
    std::vector<std::string> lines;
    Images images;
    bench::FillProgram(images);
    const auto wallStart = std::chrono::steady_clock::now();
    bench::RunWrites(state, *driver, images, is4520 ? kOption4520 : kOption452);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    driver->Close();
    for (std::string line; !(line = board.NextLine(std::chrono::milliseconds(200))).empty();) {
        lines.push_back(line);
    }
    const testing::BoardReport report = board.Finish(lines);
    const Span span = SimulatedSpan(lines);
    const double floor = is4520 ? kFloorSeconds4520 : kFloorSeconds452;
    // The board's own time: the simulated time less its waits for a host
    // slowed by the simulation sharing its machine.
    const double boardSeconds = span.simulated - span.hostWait;
    state.counters["simulated_s"] = span.simulated;
    state.counters["host_wait_s"] = span.hostWait;
    state.counters["board_s"] = boardSeconds;
    state.counters["icsp_floor_s"] = floor;
    state.counters["ratio_to_floor"] = boardSeconds / floor;
    state.counters["wall_s"] = wall;
    state.counters["violations"] = static_cast<double>(report.violations);
}
// Group (0: 18F452, 1: 18F4520), window.
BENCHMARK(BM_FullWriteThroughFirmware)
    ->Args({0, 8})
    ->Args({1, 8})
    ->Args({0, 16})
    ->Args({1, 16})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace tamro

BENCHMARK_MAIN();
