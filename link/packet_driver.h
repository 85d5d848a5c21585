#pragma once
// Programmers that move whole packets rather than a byte stream (USB HID
// reports, USB bulk or interrupt transfers). The driver adds the time limit,
// drops late replies and reconnects after a loss; a port only moves packets.
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>

#include "link/driver_library.h"

namespace tamro {

inline constexpr std::size_t kPacketSize = 8;

enum class TransferStatus {
    Done,
    TimedOut,
    Gone,    // the device went away (unplugged, or its handle broke)
    Failed,  // anything else; the port stays open
};

struct TransferResult {
    TransferStatus status = TransferStatus::Failed;
    // Bytes of the packet that were moved (a short count for a short reply).
    std::size_t bytes = 0;
};

class PacketPort {
  public:
    virtual ~PacketPort() = default;
    // Problem None when the device is open and ready.
    virtual OpenFailureCause Open() = 0;
    virtual void Close() = 0;
    virtual TransferResult Send(std::span<const std::uint8_t, kPacketSize> packet,
                                std::chrono::milliseconds limit) = 0;
    virtual TransferResult Receive(std::span<std::uint8_t, kPacketSize> reply,
                                   std::chrono::milliseconds limit) = 0;
};

class PacketDriver final : public DriverLibrary {
  public:
    PacketDriver(std::unique_ptr<PacketPort> port, std::chrono::milliseconds timeout);
    ~PacketDriver() override;

    std::int32_t Open() override;
    void Close() override;
    // Every packet is answered by one reply. After a time-out or failed
    // transfer, the next write first takes in the replies still owed (up to
    // the time limit) and drops them, so that a late reply never answers a later packet.
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override;
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override;
    void DiscardReplies() override { outOfStep_ = outOfStep_ || owedReplies_ > 0; }
    OpenFailureCause LastOpenFailure() const override { return openFailure_; }

  private:
    void Lose();
    void Resynchronise();

    std::unique_ptr<PacketPort> port_;
    std::chrono::milliseconds timeout_;
    bool opened_ = false;
    bool connected_ = false;
    std::size_t owedReplies_ = 0;
    bool outOfStep_ = false;
    OpenFailureCause openFailure_;
};

}  // namespace tamro
