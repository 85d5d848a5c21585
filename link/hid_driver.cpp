#include "link/hid_driver.h"

#include <algorithm>
#include <array>

#include "link/device_text.h"

namespace tamro {
namespace {

// The largest input report a full-speed device sends, with a report ID in front.
constexpr std::size_t kLargestInputReport = 65;

class HidPort final : public PacketPort {
  public:
    HidPort(std::unique_ptr<HidApi> api, HidSetting setting)
        : api_(std::move(api)), setting_(std::move(setting)) {}

    OpenFailureCause Open() override {
        const std::string name = "USB HID device " + UsbIdText(setting_.vendor) + ":" +
                                 UsbIdText(setting_.product) +
                                 (setting_.serial.empty() ? "" : " serial " + setting_.serial);
        for (const HidDeviceInfo& device : api_->Enumerate(setting_.vendor, setting_.product)) {
            if (!setting_.serial.empty() && device.serial != setting_.serial) continue;
            const int error = api_->OpenPath(device.path);
            if (error == 0) return {};
            return OpenFailureFromErrno(device.path + " (" + name + ")", error);
        }
        return {OpenProblem::DeviceMissing, name};
    }

    void Close() override { api_->Close(); }

    TransferResult Send(std::span<const std::uint8_t, kPacketSize> packet,
                        std::chrono::milliseconds) override {
        // Report ID 0 goes first: the device's reports are not numbered.
        std::array<std::uint8_t, kPacketSize + 1> report{};
        std::copy(packet.begin(), packet.end(), report.begin() + 1);
        const int written = api_->Write(report.data(), report.size());
        if (written < 0) return {TransferStatus::Gone, 0};
        if (written < static_cast<int>(report.size())) {
            return {TransferStatus::Failed, static_cast<std::size_t>(std::max(written - 1, 0))};
        }
        return {TransferStatus::Done, kPacketSize};
    }

    TransferResult Receive(std::span<std::uint8_t, kPacketSize> reply,
                           std::chrono::milliseconds limit) override {
        std::array<std::uint8_t, kLargestInputReport> report{};
        const int got =
            api_->ReadTimeout(report.data(), report.size(), static_cast<int>(limit.count()));
        if (got < 0) return {TransferStatus::Gone, 0};
        if (got == 0) return {TransferStatus::TimedOut, 0};
        const auto size = static_cast<std::size_t>(got);
        // Nine bytes are a numbered report: its ID comes first. Longer reports carry
        // the reply in their first eight bytes.
        const std::size_t offset = size == kPacketSize + 1 ? 1 : 0;
        const std::size_t usable = std::min(size - offset, kPacketSize);
        std::copy_n(report.begin() + static_cast<std::ptrdiff_t>(offset), usable, reply.begin());
        if (usable < kPacketSize) return {TransferStatus::Failed, usable};
        return {TransferStatus::Done, kPacketSize};
    }

  private:
    std::unique_ptr<HidApi> api_;
    HidSetting setting_;
};

}  // namespace

std::optional<HidSetting> ParseHidSetting(const std::string& argument, std::string* error) {
    // The serial number is the rest after the product ID, colons and all.
    const std::size_t first = argument.find(':');
    const std::size_t second = first == std::string::npos ? first : argument.find(':', first + 1);
    const auto vendor = ParseUsbId(std::string_view(argument).substr(0, first));
    const auto product =
        first == std::string::npos
            ? std::nullopt
            : ParseUsbId(std::string_view(argument).substr(first + 1, second - first - 1));
    const std::string serial = second == std::string::npos ? "" : argument.substr(second + 1);
    if (!vendor || !product || (second != std::string::npos && serial.empty())) {
        if (error) *error = "hid needs VID:PID[:SERIAL] (hexadecimal IDs, e.g. hid:04d8:003f)";
        return std::nullopt;
    }
    return HidSetting{*vendor, *product, serial};
}

std::unique_ptr<PacketPort> MakeHidPort(std::unique_ptr<HidApi> api, HidSetting setting) {
    return std::make_unique<HidPort>(std::move(api), std::move(setting));
}

}  // namespace tamro
