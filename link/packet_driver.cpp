#include "link/packet_driver.h"

#include <algorithm>
#include <array>

namespace tamro {
namespace {

using SteadyClock = std::chrono::steady_clock;

// How long no further reply may come before a resynchronised exchange goes on.
constexpr std::chrono::milliseconds kQuietInterval{50};

std::chrono::milliseconds Left(SteadyClock::time_point deadline) {
    return std::max(
        std::chrono::milliseconds(0),
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()));
}

}  // namespace

PacketDriver::PacketDriver(std::unique_ptr<PacketPort> port, std::chrono::milliseconds timeout)
    : port_(std::move(port)), timeout_(timeout) {}

PacketDriver::~PacketDriver() {
    Close();
}

std::int32_t PacketDriver::Open() {
    if (opened_) return -1;
    openFailure_ = port_->Open();
    if (openFailure_.problem != OpenProblem::None) return -2;
    opened_ = true;
    connected_ = true;
    owedReplies_ = 0;
    outOfStep_ = false;
    return 0;
}

void PacketDriver::Close() {
    Lose();
    opened_ = false;
}

void PacketDriver::Lose() {
    if (connected_) port_->Close();
    connected_ = false;
    owedReplies_ = 0;
    outOfStep_ = false;
}

void PacketDriver::Resynchronise() {
    const auto deadline = SteadyClock::now() + timeout_;
    std::array<std::uint8_t, kPacketSize> scratch{};
    for (;;) {
        // The owed replies may take up to the time limit; after them, only a
        // short quiet interval makes sure nothing else is on its way.
        const auto limit =
            owedReplies_ > 0 ? Left(deadline) : std::min(kQuietInterval, Left(deadline));
        if (limit.count() <= 0) break;
        const TransferResult result = port_->Receive(scratch, limit);
        if (result.status == TransferStatus::Gone) {
            Lose();
            return;
        }
        if (result.status != TransferStatus::Done) break;
        if (owedReplies_ > 0) --owedReplies_;
    }
    owedReplies_ = 0;
    outOfStep_ = false;
}

std::int32_t PacketDriver::DataWrite(const std::uint8_t* buffer, std::int32_t count) {
    if (!opened_ || !buffer || count != static_cast<std::int32_t>(kPacketSize)) return 0;
    // After a loss, each write tries once to reach the programmer again.
    if (!connected_) {
        if (port_->Open().problem != OpenProblem::None) return 0;
        connected_ = true;
    }
    if (outOfStep_) Resynchronise();
    if (!connected_) return 0;
    const TransferResult result =
        port_->Send(std::span<const std::uint8_t, kPacketSize>(buffer, kPacketSize), timeout_);
    if (result.status == TransferStatus::Gone) {
        Lose();
        return 0;
    }
    if (result.status == TransferStatus::Done) {
        ++owedReplies_;
        return static_cast<std::int32_t>(kPacketSize);
    }
    outOfStep_ = true;
    return static_cast<std::int32_t>(std::min(result.bytes, kPacketSize - 1));
}

std::int32_t PacketDriver::DataRead(std::uint8_t* buffer, std::int32_t count) {
    if (!opened_ || !connected_ || !buffer || count != static_cast<std::int32_t>(kPacketSize)) {
        return 0;
    }
    const TransferResult result =
        port_->Receive(std::span<std::uint8_t, kPacketSize>(buffer, kPacketSize), timeout_);
    if (result.status == TransferStatus::Gone) {
        Lose();
        return 0;
    }
    if (result.status == TransferStatus::Done) {
        if (owedReplies_ > 0) --owedReplies_;
        return static_cast<std::int32_t>(kPacketSize);
    }
    // A short or garbled reply has come and gone; nothing (or the rest of this
    // reply, which must not answer the next packet) may still be on its way.
    if (result.status == TransferStatus::Failed && result.bytes > 0 && owedReplies_ > 0) {
        --owedReplies_;
    }
    outOfStep_ = true;
    return static_cast<std::int32_t>(std::min(result.bytes, kPacketSize - 1));
}

}  // namespace tamro
