#pragma once
// Shared pieces of the programming tests: a view that records what the
// operations show, a target stand-in that answers table reads from a byte
// array, and a HEX loader for the end-to-end runs.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emulator/programmer.h"
#include "images/images.h"
#include "programming/operation_view.h"
#include "tests/testing/fakes.h"

namespace tamro::testing {

struct Caption {
    Rgb colour;
    std::string text;
    std::uint64_t afterExchanges;  // link exchanges made when it was shown
};

class RecordingView final : public OperationView {
  public:
    explicit RecordingView(const Link* link = nullptr) : link_(link) {}

    void SetNotesColour(Rgb colour) override { colour_ = colour; }
    void SetNotesCaption(const std::string& caption) override {
        captions.push_back({colour_, caption, link_ ? link_->Exchanges() : 0});
    }
    void SetDeviceText(const std::string& text) override { deviceText = text; }
    void SetCurrentAddress(const std::string& text) override { currentAddress = text; }
    void SetVccCaption(const std::string& caption) override { vcc = caption; }
    void SetLedCaption(const std::string& caption) override { led = caption; }
    void SetProgress(int done, int total) override {
        progressDone = done;
        progressTotal = total;
    }
    void ProcessPendingEvents() override {
        ++pumps;
        if (onPump) onPump();
    }
    void SetStartAddress(const std::string& text) override { startAddress = text; }
    void ClearFileName() override { ++fileNameClears; }
    void ShowProgramBuffer() override { ++programShows; }
    void ShowEepromBuffer() override { ++eepromShows; }

    const Caption& Last() const { return captions.back(); }

    std::vector<Caption> captions;
    std::string deviceText, currentAddress, vcc = "VCC off", led = "LED off", startAddress;
    int progressDone = 0, progressTotal = 0, pumps = 0, fileNameClears = 0, programShows = 0,
        eepromShows = 0;
    std::function<void()> onPump;

  private:
    const Link* link_;
    Rgb colour_{};
};

// Answers (33, u, h, l) by loading a table pointer and (34, 9, n) by returning
// n bytes of `flash` from it; every other packet gets an all-zero reply.
RecordingDriver::Responder FlashMirror(std::shared_ptr<std::vector<std::uint8_t>> flash);

// An emulated programmer with the given target attached, memory kept in-process.
RecordingDriver::Responder EmulatedTarget(emu::Device device);

// Loads an Intel HEX file as the panel does. False when the file cannot be read.
bool LoadHexForTest(const std::string& path, Images& images);

// Assembles `source` with gpasm into an Intel HEX file; empty when gpasm is
// missing or fails.
std::string AssembleWithGpasm(const std::string& source, const std::string& processor,
                              const std::string& stem);

}  // namespace tamro::testing
