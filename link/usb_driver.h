#pragma once
// Programmers that enumerate as a vendor-class USB device
// ("usb:VID:PID[:OUT-EP:IN-EP]"): one transfer out per packet, one in per reply,
// on bulk or interrupt endpoints as the endpoint descriptors say.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/packet_driver.h"

namespace tamro {

enum class UsbTransferType { Control, Isochronous, Bulk, Interrupt };

struct UsbEndpoint {
    std::uint8_t address = 0;  // bit 7 set: IN (device to host)
    UsbTransferType type = UsbTransferType::Bulk;
    std::uint16_t maxPacketSize = 0;
};

struct UsbInterface {
    std::uint8_t number = 0;
    std::uint8_t interfaceClass = 0;
    std::uint8_t subclass = 0;
    std::uint8_t protocol = 0;
    std::vector<UsbEndpoint> endpoints;
};

struct UsbDevice {
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint8_t deviceClass = 0;
    std::uint8_t serialIndex = 0;  // the iSerialNumber string's index; 0: none
    // The interfaces of the active configuration (first alternate setting).
    std::vector<UsbInterface> interfaces;
};

// The device node usbfs gives a device: /dev/bus/usb/BBB/DDD.
std::string UsbDevicePath(const UsbDevice& device);

enum class UsbStatus { Ok, Timeout, NoDevice, Access, Busy, NotFound, Pipe, Overflow, Other };

// The few libusb calls the backend makes, on one device at a time.
class UsbApi {
  public:
    virtual ~UsbApi() = default;
    virtual std::vector<UsbDevice> Devices() = 0;
    // The device's serial number string (the device opened for it, nothing
    // claimed); nothing when it cannot be opened or read.
    virtual std::optional<std::string> SerialNumber(const UsbDevice& device) = 0;
    // libusb_open and libusb_claim_interface (detaching a kernel driver).
    virtual UsbStatus OpenAndClaim(const UsbDevice& device, std::uint8_t interfaceNumber) = 0;
    virtual void Close() = 0;
    // libusb_bulk_transfer or libusb_interrupt_transfer; `transferred` is set either way.
    virtual UsbStatus Transfer(UsbTransferType type, std::uint8_t endpoint, std::uint8_t* data,
                               int length, int& transferred, unsigned milliseconds) = 0;
    virtual UsbStatus ClearHalt(std::uint8_t endpoint) = 0;
};

std::unique_ptr<UsbApi> MakeUsbApi();

struct UsbSetting {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    // Both 0: chosen from the descriptors.
    std::uint8_t outEndpoint = 0;
    std::uint8_t inEndpoint = 0;
};

// "04d8:000a" or "04d8:000a:01:81" (hexadecimal IDs and endpoint addresses).
std::optional<UsbSetting> ParseUsbSetting(const std::string& argument, std::string* error);

// The interface and endpoint pair the backend talks through.
struct UsbRoute {
    std::uint8_t interfaceNumber = 0;
    UsbEndpoint out;
    UsbEndpoint in;
};

// The endpoints the setting names, or else the first interface (a vendor-class
// one before others) with a bulk or interrupt endpoint each way.
std::optional<UsbRoute> ChooseUsbRoute(const UsbDevice& device, const UsbSetting& setting);

std::unique_ptr<PacketPort> MakeUsbPort(std::unique_ptr<UsbApi> api, UsbSetting setting);

}  // namespace tamro
