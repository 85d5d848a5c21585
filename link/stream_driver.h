#pragma once
// The part the serial and TCP backends share: a non-blocking descriptor,
// writes and reads bounded by a time limit, and reconnection after a loss.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "link/driver_library.h"

namespace tamro {

class StreamDriver : public DriverLibrary {
  public:
    explicit StreamDriver(std::chrono::milliseconds timeout) : timeout_(timeout) {}
    ~StreamDriver() override;

    std::int32_t Open() override;
    void Close() override;
    // Every packet is answered by a reply of its own size. After a time-out or a
    // short transfer, the next write first waits for the rest of the replies still
    // owed and drops them, so that a late reply never answers a later packet.
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override;
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override;
    void DiscardReplies() override { outOfStep_ = outOfStep_ || owed_ > 0; }
    OpenFailureCause LastOpenFailure() const override { return openFailure_; }

  protected:
    // A connected non-blocking descriptor, or -1 with `cause` set.
    virtual int Connect(OpenFailureCause& cause) = 0;
    virtual ssize_t WriteSome(int fd, const std::uint8_t* buffer, std::size_t count) = 0;
    // Drops what the device driver still queues (TCIFLUSH / TCOFLUSH); a socket has nothing.
    virtual void FlushQueue(int /*fd*/, int /*queue*/) {}
    // Undoes what Connect() claimed beyond the descriptor itself, before it is closed.
    virtual void Release(int /*fd*/) {}
    std::chrono::milliseconds Timeout() const { return timeout_; }

  private:
    void CloseDescriptor();
    void Lose();
    bool Reconnect();
    void DiscardStrayInput();
    void Resynchronise();

    std::chrono::milliseconds timeout_;
    int fd_ = -1;
    bool opened_ = false;
    // Reply bytes the other side still owes for the packets written.
    std::size_t owed_ = 0;
    bool outOfStep_ = false;
    OpenFailureCause openFailure_;
};

}  // namespace tamro
