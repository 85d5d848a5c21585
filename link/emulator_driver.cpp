#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include "emulator/programmer.h"
#include "link/backends.h"

namespace tamro {
namespace {

// 1-based positions from a list such as "3" or "3,7,12"; other text is skipped.
std::set<long> Positions(const char* variable) {
    std::set<long> positions;
    const char* text = std::getenv(variable);
    while (text && *text) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end == text) {
            ++text;
            continue;
        }
        if (value > 0) positions.insert(value);
        text = end;
    }
    return positions;
}

// The emulated programmer behind the driver library's four operations. For
// tests of failure paths, the n-th write or read can be made to fail
// (TAMRO18_EMULATOR_FAIL_WRITE / TAMRO18_EMULATOR_FAIL_READ): a failed write
// sends nothing, a failed read loses the reply.
class EmulatorDriver final : public DriverLibrary {
  public:
    explicit EmulatorDriver(emu::Options options)
        : options_(std::move(options)),
          failWrites_(Positions("TAMRO18_EMULATOR_FAIL_WRITE")),
          failReads_(Positions("TAMRO18_EMULATOR_FAIL_READ")) {}

    std::int32_t Open() override {
        if (programmer_) return -1;
        programmer_ = std::make_unique<emu::Programmer>(options_);
        return 0;
    }
    void Close() override { programmer_.reset(); }
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        ++writes_;
        if (!programmer_ || !buffer || count != 8 || failWrites_.count(writes_)) return 0;
        emu::Block packet{};
        std::copy(buffer, buffer + 8, packet.begin());
        reply_ = programmer_->Exchange(packet);
        pending_ = true;
        return 8;
    }
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override {
        ++reads_;
        if (!programmer_ || !buffer || count != 8 || !pending_) return 0;
        pending_ = false;
        if (failReads_.count(reads_)) return 0;
        std::copy(reply_.begin(), reply_.end(), buffer);
        return 8;
    }

  private:
    emu::Options options_;
    std::set<long> failWrites_;
    std::set<long> failReads_;
    long writes_ = 0;
    long reads_ = 0;
    std::unique_ptr<emu::Programmer> programmer_;
    emu::Block reply_{};
    bool pending_ = false;
};

}  // namespace

std::unique_ptr<DriverLibrary> MakeEmulatorDriver() {
    return std::make_unique<EmulatorDriver>(emu::Options::FromEnvironment());
}

}  // namespace tamro
