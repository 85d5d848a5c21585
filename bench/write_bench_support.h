#pragma once
// What the WRITE benchmarks share: a full image, a view and message boxes that
// only keep what they get, and the operations-level WRITE loop.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "images/images.h"
#include "link/link.h"
#include "programming/device.h"
#include "programming/programmer_session.h"

namespace tamro::bench {

class CountingMessages final : public MessageBoxes {
  public:
    void Show(MessageIcon, const std::string&, const std::string&) override { ++shown; }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void Beep() override {}
    int shown = 0;
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

class NoSettings final : public SettingsStore {
  public:
    std::string Read(const std::string&, const std::string&, const std::string&) override {
        return "";
    }
    void Write(const std::string&, const std::string&, const std::string&,
               const std::string&) override {}
};

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
    CountingMessages messages;
    NoSettings settings;
    ProgrammerSession session(driver, messages, settings);
    session.UseDeviceGroup(GroupOfOption(option));
    // The group's default configuration: no protection, so no question stops the WRITE.
    const auto configuration = session.images().config;
    session.images() = image;
    std::copy(configuration.begin(), configuration.end(), session.images().config.begin());
    StoringView view;
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
