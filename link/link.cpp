#include "link/link.h"

#include <algorithm>

namespace tamro {

const std::array<std::string, 8> kDriverResultText = {
    "OK!",
    "NG(ドライバを既にオープンしている)",
    "NG(ドライバオープンエラー)",
    "NG(ドライバをオープンしていない)",
    "NG(書込みエラー)",
    "NG(読込みエラー)",
    "NG(テストエラー)",
    "",
};

std::string DriverResultText(std::int32_t result) {
    if (result <= 0 && result >= -7) return kDriverResultText[static_cast<std::size_t>(-result)];
    return "NG(" + std::to_string(result) + ")";
}

Link::Link(DriverLibrary& driver, MessageBoxes& messages) : driver_(driver), messages_(messages) {}

std::int32_t Link::Open() {
    const std::int32_t result = driver_.Open();
    SetUsbMessage("Driver Open:" + DriverResultText(result));
    open_ = result == 0;
    if (open_) closed_ = false;
    return result;
}

void Link::Close() {
    if (!open_) return;
    CollectAll(false);
    open_ = false;
    closed_ = true;
    driver_.Close();
}

ExchangeResult Link::Exchange(protocol::Command command, std::uint8_t d1, std::uint8_t d2,
                              std::uint8_t d3, std::uint8_t d4, std::uint8_t d5, std::uint8_t d6,
                              std::uint8_t d7) {
    return Send(Packet{protocol::Code(command), d1, d2, d3, d4, d5, d6, d7});
}

ExchangeResult Link::Send(const Packet& packet) {
    return Transfer(packet, true);
}

ExchangeResult Link::ExchangeQuietly(protocol::Command command, std::uint8_t d1) {
    return Transfer(Packet{protocol::Code(command), d1, 0, 0, 0, 0, 0, 0}, false);
}

ExchangeResult Link::Post(protocol::Command command, std::uint8_t d1, std::uint8_t d2,
                          std::uint8_t d3, ReplyHandler onReply) {
    return Post(Packet{protocol::Code(command), d1, d2, d3, 0, 0, 0, 0}, std::move(onReply));
}

ExchangeResult Link::Post(const Packet& packet, ReplyHandler onReply) {
    if (driver_.Window() <= 1) {
        ExchangeResult result = Transfer(packet, true);
        if (result.ok() && onReply) onReply(result.reply);
        return result;
    }
    if (closed_) return {LinkFailure::NotOpen, {}};
    if (inFlight_.size() >= static_cast<std::size_t>(driver_.Window())) {
        if (ExchangeResult oldest = Collect(true); !oldest.ok()) return oldest;
    }
    ExchangeResult written = Write(packet, true);
    if (written.ok()) inFlight_.push_back(std::move(onReply));
    return written;
}

ExchangeResult Link::Flush() {
    return CollectAll(true);
}

ExchangeResult Link::FlushQuietly() {
    return CollectAll(false);
}

ExchangeResult Link::Transfer(const Packet& packet, bool reportFailure) {
    if (closed_) return {LinkFailure::NotOpen, {}};
    if (ExchangeResult earlier = CollectAll(reportFailure); !earlier.ok()) return earlier;
    if (ExchangeResult written = Write(packet, reportFailure); !written.ok()) return written;
    inFlight_.emplace_back();
    return Collect(reportFailure);
}

ExchangeResult Link::Write(const Packet& packet, bool reportFailure) {
    ++exchanges_;
    sendBuffer_.fill(0);
    sendBuffer_ = packet;
    if (driver_.DataWrite(sendBuffer_.data(), 8) != 8) {
        SetUsbMessage("Write NG!:");
        DropInFlight();
        if (reportFailure) {
            lastFailure_ = LinkFailure::WriteFailed;
            messages_.Show(MessageIcon::Critical, "USB ERROR", "USB Write Error");
        }
        return {LinkFailure::WriteFailed, {}};
    }
    SetUsbMessage("Write OK!:");
    return {};
}

ExchangeResult Link::Collect(bool reportFailure) {
    ReplyHandler onReply = std::move(inFlight_.front());
    inFlight_.pop_front();
    std::fill(receiveBuffer_.begin(), receiveBuffer_.begin() + 8, 0);
    const std::int32_t got = driver_.DataRead(receiveBuffer_.data(), 8);
    if (got != 8) {
        SetUsbMessage("Read NG!:");
        DropInFlight();
        const LinkFailure failure = got > 0 ? LinkFailure::ShortRead : LinkFailure::TimedOut;
        if (reportFailure) {
            lastFailure_ = failure;
            messages_.Show(MessageIcon::Critical, "USB ERROR", "USB Read Error");
        }
        return {failure, {}};
    }
    SetUsbMessage("Read OK!:");
    for (int i = 0; i < 8 && replyText_.size() < 8; ++i) {
        replyText_.push_back(static_cast<char>(receiveBuffer_[static_cast<std::size_t>(i)]));
    }
    std::copy(receiveBuffer_.begin(), receiveBuffer_.begin() + 8, replyData_.begin());
    if (onReply) onReply(replyData_);
    return {std::nullopt, replyData_};
}

ExchangeResult Link::CollectAll(bool reportFailure) {
    while (!inFlight_.empty()) {
        if (ExchangeResult result = Collect(reportFailure); !result.ok()) return result;
    }
    return {std::nullopt, replyData_};
}

// After a failure the replies still owed would answer later packets: the
// driver drops them and the link forgets their handlers.
void Link::DropInFlight() {
    if (inFlight_.empty()) return;
    inFlight_.clear();
    driver_.DiscardReplies();
}

void Link::SetUsbMessageSink(std::function<void(const std::string&)> sink) {
    usbMessageSink_ = std::move(sink);
}

void Link::SetUsbMessage(const std::string& text) {
    usbMessage_ = text;
    if (usbMessageSink_) usbMessageSink_(text);
}

}  // namespace tamro
