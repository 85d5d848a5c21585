#pragma once
// The programmer's driver library: the four operations through which every
// byte to and from the programmer passes. One backend per transport.

#include <cstdint>
#include <string>

namespace tamro {

// Why a backend could not open its programmer.
enum class OpenProblem {
    None,
    UnknownBackend,    // the driver setting names no backend
    BadSetting,        // the backend's part of the setting is malformed
    DeviceMissing,     // no such device node, or no USB device with those IDs
    PermissionDenied,  // the device exists, but this user may not read and write it
    DeviceBusy,        // another program (or another panel) has it open
    Unreachable,       // a network address that does not answer or resolve
    Failed,            // anything else; the detail says what
};

struct OpenFailureCause {
    OpenProblem problem = OpenProblem::None;
    // What was tried and what the system said, e.g. a device path or an error text.
    std::string detail;
};

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
    // Packets the link may write before it reads the first reply: more than 1
    // only where the driver setting asks for it and the backend keeps replies in order.
    virtual int Window() const { return 1; }
    // Drops the replies still owed for packets written (after a failed exchange
    // with others in flight), so that none of them answers a later packet.
    virtual void DiscardReplies() {}
    // Why the last Open() failed, when the backend knows.
    virtual OpenFailureCause LastOpenFailure() const { return {}; }
};

}  // namespace tamro
