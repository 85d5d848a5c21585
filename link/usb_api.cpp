// libusb-1.0 behind the UsbApi interface.
#include <libusb.h>

#include "link/usb_driver.h"

namespace tamro {
namespace {

UsbStatus StatusOf(int result) {
    switch (result) {
        case LIBUSB_SUCCESS:
            return UsbStatus::Ok;
        case LIBUSB_ERROR_TIMEOUT:
            return UsbStatus::Timeout;
        case LIBUSB_ERROR_NO_DEVICE:
            return UsbStatus::NoDevice;
        case LIBUSB_ERROR_ACCESS:
            return UsbStatus::Access;
        case LIBUSB_ERROR_BUSY:
            return UsbStatus::Busy;
        case LIBUSB_ERROR_NOT_FOUND:
            return UsbStatus::NotFound;
        case LIBUSB_ERROR_PIPE:
            return UsbStatus::Pipe;
        case LIBUSB_ERROR_OVERFLOW:
            return UsbStatus::Overflow;
        default:
            return UsbStatus::Other;
    }
}

UsbTransferType TypeOf(std::uint8_t attributes) {
    switch (attributes & LIBUSB_TRANSFER_TYPE_MASK) {
        case LIBUSB_ENDPOINT_TRANSFER_TYPE_CONTROL:
            return UsbTransferType::Control;
        case LIBUSB_ENDPOINT_TRANSFER_TYPE_ISOCHRONOUS:
            return UsbTransferType::Isochronous;
        case LIBUSB_ENDPOINT_TRANSFER_TYPE_INTERRUPT:
            return UsbTransferType::Interrupt;
        default:
            return UsbTransferType::Bulk;
    }
}

std::vector<UsbInterface> InterfacesOf(libusb_device* device) {
    std::vector<UsbInterface> interfaces;
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS) return interfaces;
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& entry = config->interface[i];
        if (entry.num_altsetting < 1) continue;
        const libusb_interface_descriptor& first = entry.altsetting[0];
        UsbInterface interface;
        interface.number = first.bInterfaceNumber;
        interface.interfaceClass = first.bInterfaceClass;
        interface.subclass = first.bInterfaceSubClass;
        interface.protocol = first.bInterfaceProtocol;
        for (int e = 0; e < first.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& endpoint = first.endpoint[e];
            interface.endpoints.push_back({endpoint.bEndpointAddress, TypeOf(endpoint.bmAttributes),
                                           endpoint.wMaxPacketSize});
        }
        interfaces.push_back(std::move(interface));
    }
    libusb_free_config_descriptor(config);
    return interfaces;
}

class LibusbCalls final : public UsbApi {
  public:
    LibusbCalls() {
        if (libusb_init(&context_) != LIBUSB_SUCCESS) context_ = nullptr;
    }
    ~LibusbCalls() override {
        Close();
        if (context_) libusb_exit(context_);
    }

    std::vector<UsbDevice> Devices() override {
        std::vector<UsbDevice> devices;
        if (!context_) return devices;
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(context_, &list);
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS) continue;
            UsbDevice device;
            device.bus = libusb_get_bus_number(list[i]);
            device.address = libusb_get_device_address(list[i]);
            device.vendor = descriptor.idVendor;
            device.product = descriptor.idProduct;
            device.deviceClass = descriptor.bDeviceClass;
            device.serialIndex = descriptor.iSerialNumber;
            device.interfaces = InterfacesOf(list[i]);
            devices.push_back(std::move(device));
        }
        if (count >= 0) libusb_free_device_list(list, 1);
        return devices;
    }

    std::optional<std::string> SerialNumber(const UsbDevice& wanted) override {
        if (!context_ || wanted.serialIndex == 0) return std::nullopt;
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(context_, &list);
        std::optional<std::string> serial;
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device_handle* handle = nullptr;
            if (libusb_get_bus_number(list[i]) != wanted.bus ||
                libusb_get_device_address(list[i]) != wanted.address ||
                libusb_open(list[i], &handle) != LIBUSB_SUCCESS) {
                continue;
            }
            unsigned char text[256] = {};
            const int length =
                libusb_get_string_descriptor_ascii(handle, wanted.serialIndex, text, sizeof text);
            libusb_close(handle);
            if (length >= 0) serial.emplace(reinterpret_cast<const char*>(text), length);
            break;
        }
        if (count >= 0) libusb_free_device_list(list, 1);
        return serial;
    }

    UsbStatus OpenAndClaim(const UsbDevice& wanted, std::uint8_t interfaceNumber) override {
        Close();
        if (!context_) return UsbStatus::Other;
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(context_, &list);
        int result = LIBUSB_ERROR_NO_DEVICE;
        for (ssize_t i = 0; i < count; ++i) {
            if (libusb_get_bus_number(list[i]) == wanted.bus &&
                libusb_get_device_address(list[i]) == wanted.address) {
                result = libusb_open(list[i], &handle_);
                break;
            }
        }
        if (count >= 0) libusb_free_device_list(list, 1);
        if (result != LIBUSB_SUCCESS) {
            handle_ = nullptr;
            return StatusOf(result);
        }
        // A CDC or HID interface is held by a kernel driver until it is let go.
        libusb_set_auto_detach_kernel_driver(handle_, 1);
        result = libusb_claim_interface(handle_, interfaceNumber);
        if (result != LIBUSB_SUCCESS) {
            libusb_close(handle_);
            handle_ = nullptr;
            return StatusOf(result);
        }
        claimed_ = interfaceNumber;
        return UsbStatus::Ok;
    }

    void Close() override {
        if (!handle_) return;
        libusb_release_interface(handle_, claimed_);
        libusb_close(handle_);
        handle_ = nullptr;
    }

    UsbStatus Transfer(UsbTransferType type, std::uint8_t endpoint, std::uint8_t* data, int length,
                       int& transferred, unsigned milliseconds) override {
        transferred = 0;
        if (!handle_) return UsbStatus::NoDevice;
        const int result =
            type == UsbTransferType::Interrupt
                ? libusb_interrupt_transfer(handle_, endpoint, data, length, &transferred,
                                            milliseconds)
                : libusb_bulk_transfer(handle_, endpoint, data, length, &transferred, milliseconds);
        return StatusOf(result);
    }

    UsbStatus ClearHalt(std::uint8_t endpoint) override {
        return handle_ ? StatusOf(libusb_clear_halt(handle_, endpoint)) : UsbStatus::NoDevice;
    }

  private:
    libusb_context* context_ = nullptr;
    libusb_device_handle* handle_ = nullptr;
    int claimed_ = 0;
};

}  // namespace

std::unique_ptr<UsbApi> MakeUsbApi() {
    return std::make_unique<LibusbCalls>();
}

}  // namespace tamro
