// Loading a full 32 KB program image from an Intel HEX file.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/testing/known_devices.h"
#include "images/hex_loader.h"
#include "images/hex_writer.h"

namespace {

// A full program image, its configuration and the end record, written as
// Save HEX writes a whole chip (2048 program records of 16 bytes).
std::filesystem::path WriteFullImage() {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("tamro_bench_full_" + std::to_string(::getpid()) + ".hex");
    tamro::Images images;
    for (int address = 0; address < tamro::kProgramBytes; address += 16) {
        for (int i = 0; i < 16; ++i) {
            images.program[address + i] = static_cast<std::uint8_t>(address * 7 + i * 13);
        }
    }
    images.config = {0xFF, 0x22, 0x0F, 0x0E, 0xFF, 0x01, 0x81,
                     0xFF, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
    tamro::WriteIntelHexFile(
        file.string(), images,
        {tamro::HexRegions::WholeChip, tamro::kLastProgramWord, tamro::kConfigMask18F452}, nullptr);
    return file;
}

void BM_HexLoadFull32K(benchmark::State& state) {
    const std::filesystem::path file = WriteFullImage();
    tamro::Images images;
    for (auto _ : state) {
        const tamro::HexLoadOutcome outcome = tamro::HEX_LOAD(file, images);
        if (!outcome.ok || outcome.lastAddressText != "4000") state.SkipWithError("load failed");
        benchmark::DoNotOptimize(images.program.data());
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(file)));
    std::filesystem::remove(file);
}
BENCHMARK(BM_HexLoadFull32K)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
