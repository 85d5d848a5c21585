#pragma once
// Programmers that enumerate as a USB HID device ("hid:VID:PID[:SERIAL]"): one
// 8-byte output report per packet, one 8-byte input report per reply.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/packet_driver.h"

namespace tamro {

struct HidDeviceInfo {
    std::string path;  // the device node, e.g. /dev/hidraw3
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::string serial;
    std::string manufacturer;
    std::string productName;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    int interfaceNumber = -1;
};

// The few hidapi calls the backend makes, on one device at a time.
class HidApi {
  public:
    virtual ~HidApi() = default;
    // hid_enumerate; 0 matches any vendor or product.
    virtual std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendor, std::uint16_t product) = 0;
    // hid_open_path; 0 or the errno that explains the failure.
    virtual int OpenPath(const std::string& path) = 0;
    virtual void Close() = 0;
    // hid_write: bytes written (report ID included) or -1.
    virtual int Write(const std::uint8_t* data, std::size_t length) = 0;
    // hid_read_timeout: bytes read, 0 on time-out, -1 on error.
    virtual int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) = 0;
};

// hidapi through the kernel's hidraw driver.
std::unique_ptr<HidApi> MakeHidApi();

struct HidSetting {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::string serial;  // empty: the first device with these IDs
};

// "04d8:003f" or "04d8:003f:SERIAL" (hexadecimal IDs, "0x" allowed).
std::optional<HidSetting> ParseHidSetting(const std::string& argument, std::string* error);

std::unique_ptr<PacketPort> MakeHidPort(std::unique_ptr<HidApi> api, HidSetting setting);

}  // namespace tamro
