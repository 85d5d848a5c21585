#pragma once
// The command packet link: one 8-byte packet written, one 8-byte reply read.
// Every exchange with the programmer passes through Exchange or Post; the link
// keeps the last reply where callers read it and reports every failed exchange
// itself with a message box.
//
// On a driver whose Window() is above 1, posted packets do not wait for their
// replies: up to `window` are in flight, and their replies are collected in
// order when the window is full, before the next waited exchange, and at
// Flush. A failure found while collecting is reported once; nothing more is
// sent, and the replies still in flight are dropped.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "common/platform.h"
#include "common/protocol.h"
#include "link/driver_library.h"

namespace tamro {

using Packet = std::array<std::uint8_t, 8>;

// Texts of the driver library's open results, index = minus the result.
extern const std::array<std::string, 8> kDriverResultText;
// The text for an open result; results outside 0 to -7 get a text of their own.
std::string DriverResultText(std::int32_t result);

enum class LinkFailure {
    WriteFailed,  // the packet did not leave
    ShortRead,    // the packet left, part of a reply came back
    TimedOut,     // the packet left, no reply came back
    NotOpen,      // the link has been closed; nothing was sent
};

struct ExchangeResult {
    std::optional<LinkFailure> failure;
    Packet reply{};  // the reply block when the exchange succeeded

    bool ok() const { return !failure; }
    // The packet reached the programmer (its command took effect) even if the
    // reply was lost.
    bool packetDelivered() const {
        return !failure || *failure == LinkFailure::ShortRead || *failure == LinkFailure::TimedOut;
    }
};

class Link {
  public:
    Link(DriverLibrary& driver, MessageBoxes& messages);

    // Opens the driver library and shows "Driver Open:" with the result's text
    // in USBMSG. 0: open; otherwise the driver's result.
    std::int32_t Open();
    // Closes the driver library once; later exchanges fail with NotOpen.
    void Close();
    bool IsOpen() const { return open_; }

    // Sends the command with its parameters (the others 0) and reads the reply.
    ExchangeResult Exchange(protocol::Command command, std::uint8_t d1 = 0, std::uint8_t d2 = 0,
                            std::uint8_t d3 = 0, std::uint8_t d4 = 0, std::uint8_t d5 = 0,
                            std::uint8_t d6 = 0, std::uint8_t d7 = 0);
    // A whole packet built elsewhere (byte 0 a protocol::Command code).
    ExchangeResult Send(const Packet& packet);

    // Receives a posted packet's reply when it is collected.
    using ReplyHandler = std::function<void(const Packet& reply)>;
    // Sends a packet whose reply the caller need not wait for. The result holds
    // a failure found now (its write, or a reply collected to make room);
    // a failure of this packet's own reply comes from a later call.
    ExchangeResult Post(const Packet& packet, ReplyHandler onReply = {});
    ExchangeResult Post(protocol::Command command, std::uint8_t d1 = 0, std::uint8_t d2 = 0,
                        std::uint8_t d3 = 0, ReplyHandler onReply = {});
    // Collects every reply in flight; the first failure among them.
    ExchangeResult Flush();
    // The same without a message box: the way out of a stopped operation.
    ExchangeResult FlushQuietly();
    std::size_t InFlight() const { return inFlight_.size(); }
    // As Exchange, but a failure shows no message box: the way back to a safe
    // target state after a stopped operation is taken without a word.
    ExchangeResult ExchangeQuietly(protocol::Command command, std::uint8_t d1 = 0);

    const Packet& SendBuffer() const { return sendBuffer_; }
    // The reply buffer: 10 elements, 8 and 9 never used. After a failed read it
    // holds the zeroed or partly read bytes.
    const std::array<std::uint8_t, 10>& ReceiveBuffer() const { return receiveBuffer_; }
    // Copy of the last good reply.
    const Packet& ReplyData() const { return replyData_; }
    // The characters of the successful replies; only the first eight are kept,
    // nothing reads beyond them.
    const std::string& ReplyText() const { return replyText_; }
    const std::string& UsbMessage() const { return usbMessage_; }
    std::uint64_t Exchanges() const { return exchanges_; }
    // The failure of the last exchange that was reported (quiet ones, the
    // way back to a safe target, leave it as it is); nothing before any.
    std::optional<LinkFailure> LastFailure() const { return lastFailure_; }

    // Shows each text the link puts into the USBMSG box.
    void SetUsbMessageSink(std::function<void(const std::string&)> sink);
    void SetUsbMessage(const std::string& text);

  private:
    ExchangeResult Transfer(const Packet& packet, bool reportFailure);
    ExchangeResult Write(const Packet& packet, bool reportFailure);
    ExchangeResult Collect(bool reportFailure);
    ExchangeResult CollectAll(bool reportFailure);
    void DropInFlight();

    DriverLibrary& driver_;
    MessageBoxes& messages_;
    bool open_ = false;
    bool closed_ = false;
    Packet sendBuffer_{};
    std::array<std::uint8_t, 10> receiveBuffer_{};
    Packet replyData_{};
    std::string replyText_;
    std::string usbMessage_ = "USB message";
    std::uint64_t exchanges_ = 0;
    std::optional<LinkFailure> lastFailure_;
    // Handlers of the posted packets whose replies are still to be read, oldest first.
    std::deque<ReplyHandler> inFlight_;
    std::function<void(const std::string&)> usbMessageSink_;
};

}  // namespace tamro
