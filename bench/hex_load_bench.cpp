// Loading a full 32 KB program image from an Intel HEX file.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "images/hex_loader.h"

namespace {

std::string Record(int type, int address, const std::uint8_t* data, int count) {
    char text[8];
    std::string line = ":";
    unsigned sum = 0;
    auto put = [&](unsigned byte) {
        std::snprintf(text, sizeof text, "%02X", byte & 0xFF);
        line += text;
        sum += byte & 0xFF;
    };
    put(count);
    put(address >> 8);
    put(address);
    put(type);
    for (int i = 0; i < count; ++i) put(data[i]);
    put(-sum);
    return line + "\r\n";
}

// 2048 program records of 16 bytes, a configuration section and the end record.
std::filesystem::path WriteFullImage() {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("tamro_bench_full_" + std::to_string(::getpid()) + ".hex");
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const std::uint8_t upperProgram[] = {0x00, 0x00};
    out << Record(4, 0, upperProgram, 2);
    std::uint8_t data[16];
    for (int address = 0; address < 0x8000; address += 16) {
        for (int i = 0; i < 16; ++i) data[i] = static_cast<std::uint8_t>(address * 7 + i * 13);
        out << Record(0, address, data, 16);
    }
    const std::uint8_t upperConfig[] = {0x00, 0x30};
    out << Record(4, 0, upperConfig, 2);
    const std::uint8_t config[14] = {0xFF, 0x22, 0x0F, 0x0E, 0xFF, 0x01, 0x81,
                                     0xFF, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
    out << Record(0, 0, config, 14);
    out << ":00000001FF\r\n";
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
