#include <memory>

#include "emulator/programmer.h"
#include "link/backends.h"

namespace tamro {
namespace {

// The emulated programmer behind the driver library's four operations.
class EmulatorDriver final : public DriverLibrary {
  public:
    explicit EmulatorDriver(emu::Options options) : options_(std::move(options)) {}

    std::int32_t Open() override {
        programmer_ = std::make_unique<emu::Programmer>(options_);
        return 0;
    }
    void Close() override { programmer_.reset(); }
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        if (!programmer_ || count != 8) return 0;
        emu::Block packet{};
        std::copy(buffer, buffer + 8, packet.begin());
        reply_ = programmer_->Exchange(packet);
        pending_ = true;
        return 8;
    }
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override {
        if (!programmer_ || !pending_ || count != 8) return 0;
        pending_ = false;
        std::copy(reply_.begin(), reply_.end(), buffer);
        return 8;
    }

  private:
    emu::Options options_;
    std::unique_ptr<emu::Programmer> programmer_;
    emu::Block reply_{};
    bool pending_ = false;
};

}  // namespace

std::unique_ptr<DriverLibrary> MakeEmulatorDriver() {
    return std::make_unique<EmulatorDriver>(emu::Options::FromEnvironment());
}

}  // namespace tamro
