#pragma once
// The programmer's driver library: the four operations through which every
// byte to and from the programmer passes. One backend per transport.

#include <cstdint>

namespace tamro {

class DriverLibrary {
  public:
    virtual ~DriverLibrary() = default;
    // 0: the programmer is open and ready; -1 to -7: failure (see DriverResultText).
    virtual std::int32_t Open() = 0;
    virtual void Close() = 0;
    // Count of bytes written; exactly `count` means the whole packet was sent.
    virtual std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) = 0;
    // Count of bytes read into `buffer`; exactly `count` means a whole reply arrived.
    virtual std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) = 0;
};

}  // namespace tamro
