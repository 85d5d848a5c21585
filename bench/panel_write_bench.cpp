// A full WRITE (erase, 16384 words, verify, configuration) clicked in the main
// window, shown offscreen, on the in-process emulated programmer: the window's
// per-block updates and its event processing are part of every exchange. The
// same WRITE without the window, on the same driver, gives the panel's share.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/write_bench_support.h"
#include "images/images.h"
#include "link/driver_table.h"
#include "link/link.h"
#include "panel/main_window.h"
#include "panel/qt_platform.h"
#include "programming/device.h"
#include "programming/target_operations.h"

namespace tamro {
namespace {

using bench::FillProgram;
using bench::RunWrites;
using bench::SetRates;

class NoLauncher final : public DesktopLauncher {
  public:
    bool OpenUrl(const std::string&) override { return false; }
    bool StartCalculator() override { return false; }
};

class NoDialogs final : public FileDialogs {
  public:
    std::string OpenFileName(const std::string&) override { return {}; }
    std::string SaveFileName(const std::string&) override { return {}; }
};

class NoProcesses final : public ProcessRunner {
  public:
    std::unique_ptr<RunningProcess> Start(const CommandLine&, const std::string&) override {
        return nullptr;
    }
    bool StartDetached(const CommandLine&) override { return false; }
};

// The in-process emulated programmer of the chosen device, as the panel opens it.
std::unique_ptr<DriverLibrary> EmulatedProgrammer(bool is4520) {
    DriverOptions options;
    options.emulator.device = is4520 ? emu::Device::Pic18F4520 : emu::Device::Pic18F452;
    return MakeDriver("emulator", options);
}

void BM_FullWriteThroughPanel(benchmark::State& state) {
    const bool is4520 = state.range(0) == 1;
    auto driver = EmulatedProgrammer(is4520);
    testing::RecordingMessageBoxes messages;
    messages.answer = false;
    testing::MemorySettingsStore settings;
    settings.Write("TAMRO18", "DATA", "DEVICE", is4520 ? " 10" : " 9");
    QtEventPump events;
    NoLauncher launcher;
    NoDialogs dialogs;
    NoProcesses processes;
    TAMRO18_form form(
        PanelPlatform{*driver, messages, settings, events, launcher, dialogs, processes, true});
    if (!form.Form_Load()) {
        state.SkipWithError("the emulated programmer did not open");
        return;
    }
    form.show();
    QApplication::processEvents();
    FillProgram(form.session().images());

    auto* write = form.findChild<QPushButton*>("WriteButton");
    const auto* notes = form.findChild<QLabel*>("NotesLabel");
    std::uint64_t exchanges = 0;
    for (auto _ : state) {
        const std::uint64_t before = form.session().Exchanges();
        write->click();
        exchanges += form.session().Exchanges() - before;
        if (!messages.shown.empty() || notes->text() != "Write Complete") {
            state.SkipWithError("the WRITE did not complete");
            break;
        }
    }
    SetRates(state, exchanges);
    form.Shutdown();
}
BENCHMARK(BM_FullWriteThroughPanel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FullWriteWithoutPanel(benchmark::State& state) {
    const bool is4520 = state.range(0) == 1;
    auto driver = EmulatedProgrammer(is4520);
    if (driver->Open() < 0) {
        state.SkipWithError("the emulated programmer did not open");
        return;
    }
    Images images;
    FillProgram(images);
    RunWrites(state, *driver, images, is4520 ? kOption4520 : kOption452);
    driver->Close();
}
BENCHMARK(BM_FullWriteWithoutPanel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamro

int main(int argc, char** argv) {
    // Set before the application exists: the window is drawn offscreen.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    application.setApplicationName("TAMRO18");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
