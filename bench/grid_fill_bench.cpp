// Filling the program grid (1024 rows of 16 words) and its first paint,
// on the offscreen platform.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QTableView>

#include "images/images.h"
#include "views/ui/buffer_viewers.h"

namespace {

tamro::Images PatternImages() {
    tamro::Images images;
    for (int i = 0; i < tamro::kProgramBytes; ++i) {
        images.program[i] = static_cast<std::uint8_t>(i * 31);
    }
    return images;
}

// The fill alone: the model takes the image and announces the change.
void BM_ProgramGridFill(benchmark::State& state) {
    const tamro::Images images = PatternImages();
    tamro::BufferViewers viewers;
    viewers.ShowProgramView();
    QApplication::processEvents();
    for (auto _ : state) viewers.FillProgramGrid(images);
}
BENCHMARK(BM_ProgramGridFill)->Unit(benchmark::kMillisecond);

// A fill of the shown window and the repaint it causes.
void BM_ProgramGridFillAndRepaint(benchmark::State& state) {
    const tamro::Images images = PatternImages();
    tamro::BufferViewers viewers;
    viewers.ShowProgramView();
    QApplication::processEvents();
    for (auto _ : state) {
        viewers.FillProgramGrid(images);
        viewers.ProgramView().repaint();
    }
}
BENCHMARK(BM_ProgramGridFillAndRepaint)->Unit(benchmark::kMillisecond);

// What Buffer view costs: a new viewer window, the fill, and its first paint.
void BM_ProgramGridFillAndFirstPaint(benchmark::State& state) {
    const tamro::Images images = PatternImages();
    for (auto _ : state) {
        tamro::BufferViewers viewers;
        viewers.ShowProgramView();
        viewers.FillProgramGrid(images);
        const QPixmap painted = viewers.ProgramView().grab();
        benchmark::DoNotOptimize(painted.cacheKey());
    }
}
BENCHMARK(BM_ProgramGridFillAndFirstPaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
