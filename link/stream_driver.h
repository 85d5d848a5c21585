#pragma once
// The part the serial and TCP backends share: a non-blocking descriptor,
// writes and reads bounded by a time limit, and reconnection after a loss.
#include <sys/types.h>

#include <chrono>
#include <cstdint>

#include "link/driver_library.h"

namespace tamro {

class StreamDriver : public DriverLibrary {
  public:
    explicit StreamDriver(std::chrono::milliseconds timeout) : timeout_(timeout) {}
    ~StreamDriver() override;

    std::int32_t Open() override;
    void Close() override;
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override;
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override;

  protected:
    // A connected non-blocking descriptor, or -1.
    virtual int Connect() = 0;
    virtual ssize_t WriteSome(int fd, const std::uint8_t* buffer, std::size_t count) = 0;
    std::chrono::milliseconds Timeout() const { return timeout_; }

  private:
    void Lose();
    void DiscardStaleInput();

    std::chrono::milliseconds timeout_;
    int fd_ = -1;
    bool opened_ = false;
};

}  // namespace tamro
