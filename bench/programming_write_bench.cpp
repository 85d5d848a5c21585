// A full WRITE (erase, 16384 words, verify, configuration) through the link and
// the target operations, on the in-process emulated programmer and on a
// driver that answers at once, to show what the panel's side costs per exchange.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "bench/write_bench_support.h"
#include "images/images.h"
#include "link/driver_table.h"
#include "link/link.h"
#include "common/protocol.h"
#include "programming/device.h"

namespace tamro {
namespace {

// Answers table reads from the image itself, so the verify passes, and does
// nothing else: the cost of the link and the operations alone.
class MirrorDriver final : public DriverLibrary {
  public:
    explicit MirrorDriver(const Images& images) : images_(images) {}
    std::int32_t Open() override { return 0; }
    void Close() override {}
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        reply_ = {};
        using protocol::Code;
        using protocol::Command;
        if (buffer[0] == Code(Command::SetTablePointer)) {
            pointer_ = buffer[1] << 16 | buffer[2] << 8 | buffer[3];
        }
        if (buffer[0] == Code(Command::TableRead) &&
            buffer[1] == protocol::icsp::kTableReadPostIncrement) {
            for (int i = 0; i < buffer[2] && i < 8; ++i, ++pointer_) {
                reply_[i] = pointer_ < kProgramBytes ? images_.program[pointer_] : 0;
            }
        }
        return count;
    }
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override {
        std::copy(reply_.begin(), reply_.end(), buffer);
        return count;
    }

  private:
    const Images& images_;
    std::array<std::uint8_t, 8> reply_{};
    std::uint32_t pointer_ = 0;
};

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
    MirrorDriver driver(images);
    bench::RunWrites(state, driver, images, state.range(0) == 1 ? kOption4520 : kOption452);
}
BENCHMARK(BM_FullWriteLinkAndOperationsOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamro

BENCHMARK_MAIN();
