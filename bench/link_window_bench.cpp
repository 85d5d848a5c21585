// A full WRITE with verify over TCP to the emulator daemon with its timing
// model on (1 ms link latency, 1 MHz ICSP clock), for both device groups and
// several windows: the wall time against the target's busy time, the floor
// no host can beat on that link.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "bench/write_bench_support.h"
#include "images/images.h"
#include "link/driver_table.h"
#include "tests/testing/daemon_process.h"

namespace tamro {
namespace {

constexpr const char* kOperationLine = "operation: ";

// "operation: 23645 packets, target busy 2.754 s, wall 3.012 s" -> 2.754
double BusySeconds(const std::string& line) {
    const std::size_t at = line.find("target busy ");
    return at == std::string::npos ? -1 : std::stod(line.substr(at + 12));
}

void BM_WindowedWriteOverTcp(benchmark::State& state) {
    const int option = static_cast<int>(state.range(0));
    const int window = static_cast<int>(state.range(1));
    testing::DaemonProcess daemon({"--tcp", "0", "--device", option == 10 ? "18F4520" : "18F452",
                                   "--icsp-khz", "1000", "--link-latency-ms", "1"});
    if (daemon.TcpPort().empty()) {
        state.SkipWithError("the emulator daemon did not start");
        return;
    }
    auto driver = MakeDriver(daemon.DriverSetting() + "?window=" + std::to_string(window));
    if (!driver || driver->Open() != 0) {
        state.SkipWithError("the daemon could not be reached");
        return;
    }
    Images images;
    bench::FillProgram(images);
    const auto start = std::chrono::steady_clock::now();
    bench::RunWrites(state, *driver, images, option);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    driver->Close();  // the daemon reports the operation when its client goes
    std::string line;
    while (line.rfind(kOperationLine, 0) != 0) {
        line = daemon.NextLine(std::chrono::seconds(5));
        if (line.empty()) break;
    }
    const double busy = BusySeconds(line);
    const double iterations = static_cast<double>(state.iterations());
    state.counters["wall_s"] = wall / iterations;
    state.counters["busy_s"] = busy / iterations;
    state.counters["wall_per_busy"] = busy > 0 ? wall / busy : 0;
}

BENCHMARK(BM_WindowedWriteOverTcp)
    ->ArgNames({"option", "window"})
    ->ArgsProduct({{9, 10}, {1, 4, 16, 64}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace tamro

BENCHMARK_MAIN();
