// A full WRITE (erase, 16384 words, verify, configuration) through the link and
// the target operations, on the in-process emulated programmer and on a
// driver that answers at once, to show what the panel's side costs per exchange.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

#include "emulator/programmer.h"
#include "images/images.h"
#include "link/link.h"
#include "programming/device.h"
#include "programming/target_operations.h"

namespace tamro {
namespace {

class EmulatorDriver final : public DriverLibrary {
  public:
    explicit EmulatorDriver(emu::Device device) {
        emu::Options options;
        options.device = device;
        programmer_ = std::make_unique<emu::Programmer>(options);
    }
    std::int32_t Open() override { return 0; }
    void Close() override {}
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        emu::Block packet{};
        std::copy(buffer, buffer + 8, packet.begin());
        reply_ = programmer_->Exchange(packet);
        return count;
    }
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override {
        std::copy(reply_.begin(), reply_.end(), buffer);
        return count;
    }

  private:
    std::unique_ptr<emu::Programmer> programmer_;
    emu::Block reply_{};
};

// Answers table reads from the image itself, so the verify passes, and does
// nothing else: the cost of the link and the operations alone.
class MirrorDriver final : public DriverLibrary {
  public:
    explicit MirrorDriver(const Images& images) : images_(images) {}
    std::int32_t Open() override { return 0; }
    void Close() override {}
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        reply_ = {};
        if (buffer[0] == 33) pointer_ = buffer[1] << 16 | buffer[2] << 8 | buffer[3];
        if (buffer[0] == 34 && buffer[1] == 9) {
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

class SilentMessages final : public MessageBoxes {
  public:
    void Show(MessageIcon, const std::string&, const std::string&) override {}
    void Beep() override {}
};

// Stands in for the main window's controls: keeps what it is given.
class StoringView final : public OperationView {
  public:
    void SetNotesColour(Rgb colour) override { colour_ = colour; }
    void SetNotesCaption(const std::string& caption) override { caption_ = caption; }
    void SetDeviceText(const std::string& text) override { device_ = text; }
    void SetCurrentAddress(const std::string& text) override { current_ = text; }
    void SetVccCaption(const std::string& caption) override { vcc_ = caption; }
    void SetLedCaption(const std::string& caption) override { led_ = caption; }
    void SetProgress(int done, int total) override { progress_ = done * 1000 / std::max(total, 1); }
    void ProcessPendingEvents() override {}

  private:
    Rgb colour_;
    std::string caption_, device_, current_, vcc_, led_;
    int progress_ = 0;
};

Images FullImage() {
    Images images;
    for (int i = 0; i < kProgramBytes; ++i)
        images.program[i] = static_cast<std::uint8_t>(i * 7 + 1);
    images.haveData = 1;
    return images;
}

void RunWrites(benchmark::State& state, DriverLibrary& driver, Images& images, int option) {
    SilentMessages messages;
    Link link(driver, messages);
    const DeviceGroupValues group = GroupForOption(option);
    std::int16_t tickCountdown = 0;
    StoringView view;
    OperationGuard guard;
    TargetOperations operations(link, images, group, tickCountdown, view, messages, guard);
    std::uint64_t exchanges = 0;
    for (auto _ : state) {
        const std::uint64_t before = link.Exchanges();
        const OperationResult result = operations.WriteButton_Click("3FFF");
        exchanges += link.Exchanges() - before;
        if (result != OperationResult::Completed) {
            state.SkipWithError("the WRITE did not complete");
            break;
        }
    }
    state.counters["exchanges"] =
        benchmark::Counter(static_cast<double>(exchanges), benchmark::Counter::kIsRate);
    state.counters["ns_per_exchange"] =
        benchmark::Counter(static_cast<double>(exchanges) * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_FullWriteOnEmulator(benchmark::State& state) {
    const bool is4520 = state.range(0) == 1;
    EmulatorDriver driver(is4520 ? emu::Device::Pic18F4520 : emu::Device::Pic18F452);
    Images images = FullImage();
    RunWrites(state, driver, images, is4520 ? kOption4520 : kOption452);
}
BENCHMARK(BM_FullWriteOnEmulator)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FullWriteLinkAndOperationsOnly(benchmark::State& state) {
    Images images = FullImage();
    MirrorDriver driver(images);
    RunWrites(state, driver, images, state.range(0) == 1 ? kOption4520 : kOption452);
}
BENCHMARK(BM_FullWriteLinkAndOperationsOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamro

BENCHMARK_MAIN();
