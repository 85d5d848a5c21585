// A full WRITE (erase, 16384 words, verify, configuration) through the link and
// the target operations, on the in-process emulated programmer and on a
// driver that answers at once, to show what the panel's side costs per exchange.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/write_bench_support.h"
#include "common/protocol.h"
#include "images/images.h"
#include "link/driver_table.h"
#include "link/link.h"
#include "programming/device.h"
#include "tests/testing/fakes.h"
#include "tests/testing/operations_fakes.h"

namespace tamro {
namespace {

void BM_FullWriteOnEmulator(benchmark::State& state) {
    const bool is4520 = state.range(0) == 1;
    DriverOptions options;
    options.emulator.device = is4520 ? emu::Device::Pic18F4520 : emu::Device::Pic18F452;
    auto driver = MakeDriver("emulator", options);
    driver->Open();
    Images images;
    bench::FillProgram(images);
    bench::RunWrites(state, *driver, images, is4520 ? kOption4520 : kOption452);
    driver->Close();
}
BENCHMARK(BM_FullWriteOnEmulator)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FullWriteLinkAndOperationsOnly(benchmark::State& state) {
    Images images;
    bench::FillProgram(images);
    // Table reads answered from the image itself, so the verify passes, and
    // nothing else: the cost of the link and the operations alone.
    testing::RecordingDriver driver;
    driver.keepPackets = false;
    // The device IDs of an 18F452 and an 18F4520 (revision 7).
    const std::uint16_t deviceId = state.range(0) == 1 ? 0x1087 : 0x0427;
    driver.responder = testing::FlashMirror(
        std::make_shared<std::vector<std::uint8_t>>(images.program.begin(), images.program.end()),
        deviceId);
    bench::RunWrites(state, driver, images, state.range(0) == 1 ? kOption4520 : kOption452);
}
BENCHMARK(BM_FullWriteLinkAndOperationsOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamro

BENCHMARK_MAIN();
