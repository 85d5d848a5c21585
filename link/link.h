#pragma once
// The command packet link: one 8-byte packet written, one 8-byte reply read.
// Every window talks to the programmer through SENDCMD; it keeps the last reply
// where callers read it and reports every failed exchange itself.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "common/platform.h"
#include "link/driver_library.h"

namespace tamro {

using Packet = std::array<std::uint8_t, 8>;

// Texts of the driver library's open results, index = minus the result.
extern const std::array<std::string, 8> kDriverResultText;
// The text for an open result; results outside 0 to -7 get a text of their own.
std::string DriverResultText(std::int32_t result);

class Link {
  public:
    Link(DriverLibrary& driver, MessageBoxes& messages);

    // Sends d0..d7 and reads the reply. 0: packet written and a full reply read;
    // 1: the exchange failed (the user has seen a message box).
    int SENDCMD(std::uint8_t d0, std::uint8_t d1 = 0, std::uint8_t d2 = 0, std::uint8_t d3 = 0,
                std::uint8_t d4 = 0, std::uint8_t d5 = 0, std::uint8_t d6 = 0, std::uint8_t d7 = 0);
    int Send(const Packet& packet);

    const Packet& SendBuffer() const { return sendBuffer_; }
    // The main window's reply buffer: 10 elements, 8 and 9 never used.
    const std::array<std::uint8_t, 10>& ReceiveBuffer() const { return receiveBuffer_; }
    // Copy of the last good reply.
    const Packet& ReplyData() const { return replyData_; }
    // The characters of the successful replies; only the first eight are kept,
    // nothing reads beyond them.
    const std::string& ReplyText() const { return replyText_; }
    const std::string& UsbMessage() const { return usbMessage_; }
    std::uint64_t Exchanges() const { return exchanges_; }

    // Shows each text the link puts into the USBMSG box.
    void SetUsbMessageSink(std::function<void(const std::string&)> sink);
    void SetUsbMessage(const std::string& text);

    DriverLibrary& Driver() { return driver_; }

  private:
    DriverLibrary& driver_;
    MessageBoxes& messages_;
    Packet sendBuffer_{};
    std::array<std::uint8_t, 10> receiveBuffer_{};
    Packet replyData_{};
    std::string replyText_;
    std::string usbMessage_ = "USB message";
    std::uint64_t exchanges_ = 0;
    std::function<void(const std::string&)> usbMessageSink_;
};

}  // namespace tamro
