#pragma once
// What the WRITE benchmarks share: a full image and the operations-level WRITE
// loop, over the tests' stand-ins for the view, the boxes and the settings.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "images/images.h"
#include "link/link.h"
#include "programming/device.h"
#include "programming/programmer_session.h"
#include "tests/testing/fakes.h"
#include "tests/testing/operations_fakes.h"

namespace tamro::bench {

// Every program byte set, so every block is written and verified.
inline void FillProgram(Images& images) {
    for (int i = 0; i < kProgramBytes; ++i) {
        images.program[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    images.haveData = 1;
}

inline void SetRates(benchmark::State& state, std::uint64_t exchanges) {
    state.counters["exchanges"] =
        benchmark::Counter(static_cast<double>(exchanges), benchmark::Counter::kIsRate);
    state.counters["ns_per_exchange"] =
        benchmark::Counter(static_cast<double>(exchanges) * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Full WRITEs (erase, 16384 words, verify, configuration) of `image` through
// a programming session alone.
inline void RunWrites(benchmark::State& state, DriverLibrary& driver, const Images& image,
                      int option) {
    testing::RecordingMessageBoxes messages;
    messages.answer = false;
    testing::MemorySettingsStore settings;
    ProgrammerSession session(driver, messages, settings);
    session.UseDeviceGroup(GroupOfOption(option));
    // The group's default configuration: no protection, so no question stops the WRITE.
    const auto configuration = session.images().config;
    session.images() = image;
    std::copy(configuration.begin(), configuration.end(), session.images().config.begin());
    testing::RecordingView view;
    session.SetView(&view);
    std::uint64_t exchanges = 0;
    for (auto _ : state) {
        const std::uint64_t before = session.Exchanges();
        const OperationResult result = session.Write(kLastProgramWord);
        exchanges += session.Exchanges() - before;
        if (result != OperationResult::Completed) {
            state.SkipWithError("the WRITE did not complete");
            break;
        }
    }
    SetRates(state, exchanges);
}

}  // namespace tamro::bench
