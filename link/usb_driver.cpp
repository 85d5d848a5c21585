#include "link/usb_driver.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "link/device_text.h"

namespace tamro {
namespace {

constexpr std::uint8_t kVendorClass = 0xFF;
constexpr std::uint8_t kDirectionIn = 0x80;

bool Streams(const UsbEndpoint& endpoint) {
    return endpoint.type == UsbTransferType::Bulk || endpoint.type == UsbTransferType::Interrupt;
}

bool IsIn(const UsbEndpoint& endpoint) {
    return (endpoint.address & kDirectionIn) != 0;
}

std::optional<UsbRoute> RouteThrough(const UsbInterface& interface, const UsbSetting& setting) {
    const bool named = setting.outEndpoint != 0 || setting.inEndpoint != 0;
    const UsbEndpoint* out = nullptr;
    const UsbEndpoint* in = nullptr;
    for (const UsbEndpoint& endpoint : interface.endpoints) {
        if (!Streams(endpoint)) continue;
        if (named) {
            if (endpoint.address == setting.outEndpoint && !IsIn(endpoint)) out = &endpoint;
            if (endpoint.address == setting.inEndpoint && IsIn(endpoint)) in = &endpoint;
        } else {
            if (!IsIn(endpoint) && !out) out = &endpoint;
            if (IsIn(endpoint) && !in) in = &endpoint;
        }
    }
    if (!out || !in) return std::nullopt;
    return UsbRoute{interface.number, *out, *in};
}

std::string DeviceName(const UsbSetting& setting) {
    return "USB device " + UsbIdText(setting.vendor) + ":" + UsbIdText(setting.product);
}

TransferResult FromStatus(UsbStatus status, int transferred) {
    const std::size_t bytes = static_cast<std::size_t>(std::max(transferred, 0));
    switch (status) {
        case UsbStatus::Ok:
            return {TransferStatus::Done, bytes};
        case UsbStatus::Timeout:
            return {TransferStatus::TimedOut, bytes};
        case UsbStatus::NoDevice:
            return {TransferStatus::Gone, 0};
        default:
            return {TransferStatus::Failed, bytes};
    }
}

class UsbPort final : public PacketPort {
  public:
    UsbPort(std::unique_ptr<UsbApi> api, UsbSetting setting)
        : api_(std::move(api)), setting_(setting) {}

    OpenFailureCause Open() override {
        const std::string name = DeviceName(setting_);
        for (const UsbDevice& device : api_->Devices()) {
            if (device.vendor != setting_.vendor || device.product != setting_.product) continue;
            const auto route = ChooseUsbRoute(device, setting_);
            if (!route) {
                return {OpenProblem::BadSetting,
                        name + " has no interface with " +
                            (setting_.outEndpoint ? "the endpoints named"
                                                  : "a bulk or interrupt endpoint each way")};
            }
            const std::string node = UsbDevicePath(device) + " (" + name + ")";
            switch (api_->OpenAndClaim(device, route->interfaceNumber)) {
                case UsbStatus::Ok:
                    route_ = *route;
                    return {};
                case UsbStatus::Access:
                    return {OpenProblem::PermissionDenied, node};
                case UsbStatus::Busy:
                    return {OpenProblem::DeviceBusy, node};
                case UsbStatus::NoDevice:
                case UsbStatus::NotFound:
                    return {OpenProblem::DeviceMissing, node};
                default:
                    return {OpenProblem::Failed, node + ": the device did not open"};
            }
        }
        return {OpenProblem::DeviceMissing, name};
    }

    void Close() override { api_->Close(); }

    TransferResult Send(std::span<const std::uint8_t, kPacketSize> packet,
                        std::chrono::milliseconds limit) override {
        std::array<std::uint8_t, kPacketSize> data{};
        std::copy(packet.begin(), packet.end(), data.begin());
        int transferred = 0;
        const UsbStatus status =
            api_->Transfer(route_.out.type, route_.out.address, data.data(),
                           static_cast<int>(data.size()), transferred, Milliseconds(limit));
        if (status == UsbStatus::Pipe) api_->ClearHalt(route_.out.address);
        TransferResult result = FromStatus(status, transferred);
        if (result.status == TransferStatus::Done && result.bytes < kPacketSize) {
            result.status = TransferStatus::Failed;
        }
        return result;
    }

    TransferResult Receive(std::span<std::uint8_t, kPacketSize> reply,
                           std::chrono::milliseconds limit) override {
        // A device may send a whole packet of its endpoint's size; a smaller buffer overflows.
        std::vector<std::uint8_t> data(std::max<std::size_t>(kPacketSize, route_.in.maxPacketSize));
        int transferred = 0;
        const UsbStatus status =
            api_->Transfer(route_.in.type, route_.in.address, data.data(),
                           static_cast<int>(data.size()), transferred, Milliseconds(limit));
        if (status == UsbStatus::Pipe) api_->ClearHalt(route_.in.address);
        TransferResult result = FromStatus(status, transferred);
        result.bytes = std::min(result.bytes, kPacketSize);
        std::copy_n(data.begin(), result.bytes, reply.begin());
        if (result.status == TransferStatus::Done && result.bytes < kPacketSize) {
            result.status = TransferStatus::Failed;
        }
        return result;
    }

  private:
    // libusb waits for ever on 0, so the shortest wait is 1 ms.
    static unsigned Milliseconds(std::chrono::milliseconds limit) {
        return static_cast<unsigned>(std::max<long long>(limit.count(), 1));
    }

    std::unique_ptr<UsbApi> api_;
    UsbSetting setting_;
    UsbRoute route_;
};

}  // namespace

std::string UsbDevicePath(const UsbDevice& device) {
    char path[32];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03u/%03u", device.bus, device.address);
    return path;
}

std::optional<UsbSetting> ParseUsbSetting(const std::string& argument, std::string* error) {
    const std::vector<std::string> parts = SplitAtColons(argument);
    UsbSetting setting;
    bool good = parts.size() == 2 || parts.size() == 4;
    if (good) {
        const auto vendor = ParseUsbId(parts[0]);
        const auto product = ParseUsbId(parts[1]);
        good = vendor && product;
        if (good) {
            setting.vendor = *vendor;
            setting.product = *product;
        }
    }
    if (good && parts.size() == 4) {
        const auto out = ParseUsbId(parts[2]);
        const auto in = ParseUsbId(parts[3]);
        good = out && in && *out <= 0x0F && *in >= 0x81 && *in <= 0x8F && *out != 0;
        if (good) {
            setting.outEndpoint = static_cast<std::uint8_t>(*out);
            setting.inEndpoint = static_cast<std::uint8_t>(*in);
        }
    }
    if (!good) {
        if (error) {
            *error =
                "usb needs VID:PID[:OUT-EP:IN-EP] (hexadecimal, e.g. usb:04d8:000a or "
                "usb:04d8:000a:01:81)";
        }
        return std::nullopt;
    }
    return setting;
}

std::optional<UsbRoute> ChooseUsbRoute(const UsbDevice& device, const UsbSetting& setting) {
    std::vector<const UsbInterface*> order;
    for (const UsbInterface& interface : device.interfaces) order.push_back(&interface);
    std::stable_partition(order.begin(), order.end(), [](const UsbInterface* interface) {
        return interface->interfaceClass == kVendorClass;
    });
    for (const UsbInterface* interface : order) {
        if (auto route = RouteThrough(*interface, setting)) return route;
    }
    return std::nullopt;
}

std::unique_ptr<PacketPort> MakeUsbPort(std::unique_ptr<UsbApi> api, UsbSetting setting) {
    return std::make_unique<UsbPort>(std::move(api), setting);
}

}  // namespace tamro
