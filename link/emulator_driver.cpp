#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <set>
#include <string>

#include "emulator/programmer.h"
#include "emulator/timing.h"
#include "link/backends.h"

namespace tamro {
namespace {

// The emulated programmer behind the driver library's four operations. For
// tests of failure paths, the n-th write or read can be made to fail
// (DriverOptions::failingWrites and failingReads): a failed write
// sends nothing, a failed read loses the reply. Replies are queued, so several
// packets may be written before their replies are read; with the timing model
// on, a read waits until its reply would have left the programmer, and each
// operation's timing goes to standard error.
class EmulatorDriver final : public DriverLibrary {
  public:
    explicit EmulatorDriver(const DriverOptions& options)
        : options_(options.emulator),
          clock_(options_.clock ? *options_.clock : SystemClock()),
          timeline_(options_.timing, options_.device),
          failWrites_(options.failingWrites),
          failReads_(options.failingReads) {}

    std::int32_t Open() override {
        if (programmer_) return -1;
        programmer_ = std::make_unique<emu::Programmer>(options_);
        return 0;
    }
    void Close() override {
        Report(timeline_.Finish());
        programmer_.reset();
        replies_.clear();
    }
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        ++writes_;
        if (!programmer_ || !buffer || count != 8 || failWrites_.count(writes_)) return 0;
        emu::Block packet{};
        std::copy(buffer, buffer + 8, packet.begin());
        const emu::Block reply = programmer_->Exchange(packet);
        replies_.push_back({reply, timeline_.Accept(packet, clock_.Now())});
        Report(timeline_.TakeFinished());
        return 8;
    }
    void DiscardReplies() override { replies_.clear(); }
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override {
        ++reads_;
        if (!programmer_ || !buffer || count != 8 || replies_.empty()) return 0;
        const PendingReply pending = replies_.front();
        replies_.pop_front();
        const auto wait = pending.due - clock_.Now();
        if (wait.count() > 0) {
            clock_.SleepFor(std::chrono::ceil<std::chrono::microseconds>(wait));
        }
        if (failReads_.count(reads_)) return 0;
        std::copy(pending.reply.begin(), pending.reply.end(), buffer);
        return 8;
    }

  private:
    struct PendingReply {
        emu::Block reply;
        emu::Timeline::TimePoint due;
    };

    void Report(const std::optional<emu::OperationTiming>& operation) {
        if (operation && options_.timing.realTime) {
            std::fprintf(stderr, "tamro18 emulator: %s\n",
                         emu::OperationTimingText(*operation).c_str());
        }
    }

    emu::Options options_;
    Clock& clock_;
    emu::Timeline timeline_;
    std::set<long> failWrites_;
    std::set<long> failReads_;
    long writes_ = 0;
    long reads_ = 0;
    std::unique_ptr<emu::Programmer> programmer_;
    std::deque<PendingReply> replies_;
};

}  // namespace

std::unique_ptr<DriverLibrary> MakeEmulatorDriver(const DriverOptions& options) {
    return std::make_unique<EmulatorDriver>(options);
}

}  // namespace tamro
