#pragma once
// Stand-ins for the programming operations, shared by the tests and the
// benchmarks: a view that records what the operations show, a target that
// answers table reads from a byte array, and an emulated target.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "emulator/programmer.h"
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
// Reads of DEVID1 and DEVID2 (3FFFFEh, 3FFFFFh) give `deviceId`, low byte first,
// so that the device check before a chip change sees a target.
RecordingDriver::Responder FlashMirror(std::shared_ptr<std::vector<std::uint8_t>> flash,
                                       std::uint16_t deviceId = 0);

// An emulated programmer with the given target attached, memory kept in-process.
RecordingDriver::Responder EmulatedTarget(emu::Device device);

}  // namespace tamro::testing
