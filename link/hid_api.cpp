// hidapi behind the HidApi interface (the hidraw flavour: devices are reached
// through /dev/hidraw*, which the udev rule opens to the user at the desk).
#include <hidapi.h>
#include <unistd.h>

#include <cerrno>
#include <cwchar>
#include <mutex>

#include "link/hid_driver.h"

namespace tamro {
namespace {

std::string Narrow(const wchar_t* text) {
    std::string narrow;
    if (!text) return narrow;
    std::mbstate_t state{};
    for (; *text; ++text) {
        char bytes[MB_LEN_MAX];
        const std::size_t length = std::wcrtomb(bytes, *text, &state);
        if (length == static_cast<std::size_t>(-1)) {
            narrow += '?';
            state = {};
        } else {
            narrow.append(bytes, length);
        }
    }
    return narrow;
}

class HidapiCalls final : public HidApi {
  public:
    HidapiCalls() {
        static std::once_flag initialised;
        std::call_once(initialised, [] { hid_init(); });
    }
    ~HidapiCalls() override { Close(); }

    std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendor, std::uint16_t product) override {
        std::vector<HidDeviceInfo> devices;
        hid_device_info* list = hid_enumerate(vendor, product);
        for (const hid_device_info* entry = list; entry; entry = entry->next) {
            HidDeviceInfo device;
            device.path = entry->path ? entry->path : "";
            device.vendor = entry->vendor_id;
            device.product = entry->product_id;
            device.serial = Narrow(entry->serial_number);
            device.manufacturer = Narrow(entry->manufacturer_string);
            device.productName = Narrow(entry->product_string);
            device.usagePage = entry->usage_page;
            device.usage = entry->usage;
            device.interfaceNumber = entry->interface_number;
            devices.push_back(std::move(device));
        }
        hid_free_enumeration(list);
        return devices;
    }

    int OpenPath(const std::string& path) override {
        Close();
        device_ = hid_open_path(path.c_str());
        if (device_) return 0;
        // hidapi keeps the reason as text only; the node itself tells what went wrong.
        if (access(path.c_str(), F_OK) != 0) return ENOENT;
        if (access(path.c_str(), R_OK | W_OK) != 0) return EACCES;
        return EIO;
    }

    void Close() override {
        if (device_) hid_close(device_);
        device_ = nullptr;
    }

    int Write(const std::uint8_t* data, std::size_t length) override {
        return device_ ? hid_write(device_, data, length) : -1;
    }

    int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override {
        return device_ ? hid_read_timeout(device_, data, length, milliseconds) : -1;
    }

  private:
    hid_device* device_ = nullptr;
};

}  // namespace

std::unique_ptr<HidApi> MakeHidApi() {
    return std::make_unique<HidapiCalls>();
}

}  // namespace tamro
