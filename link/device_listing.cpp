#include "link/device_listing.h"

#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

#include "link/device_text.h"

namespace tamro {
namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t kHubClass = 0x09;
constexpr std::uint8_t kHidClass = 0x03;
constexpr std::uint8_t kCdcControlClass = 0x02;
constexpr std::uint8_t kCdcDataClass = 0x0A;
constexpr std::uint8_t kVendorClass = 0xFF;
constexpr std::uint8_t kBootSubclass = 0x01;  // keyboards and mice
constexpr std::uint16_t kGenericDesktopPage = 0x01;
constexpr std::uint16_t kConsumerPage = 0x0C;
constexpr std::uint16_t kDigitizerPage = 0x0D;

bool MayOpen(const std::string& node) {
    return access(node.c_str(), R_OK | W_OK) == 0;
}

bool IsSerialPortName(const std::string& name) {
    return name.rfind("ttyACM", 0) == 0 || name.rfind("ttyUSB", 0) == 0;
}

std::string InterfaceKind(const UsbInterface& interface) {
    switch (interface.interfaceClass) {
        case kVendorClass:
            return "vendor-specific";
        case kCdcControlClass:
        case kCdcDataClass:
            return "CDC";
        case kHidClass:
            return "HID";
        default:
            return "";
    }
}

bool Candidate(const UsbInterface& interface) {
    if (interface.interfaceClass == kHidClass) return interface.subclass != kBootSubclass;
    return !InterfaceKind(interface).empty();
}

// A serial number as a device reports it, fit for one line of the list.
std::string SerialText(std::string serial) {
    for (char& c : serial) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return "; serial " + serial;
}

}  // namespace

std::vector<ProgrammerCandidate> ListSerialPorts(const fs::path& dev) {
    std::error_code error;
    std::map<fs::path, fs::path> byId;  // device node -> its stable name
    for (const auto& entry : fs::directory_iterator(dev / "serial" / "by-id", error)) {
        const fs::path target = fs::weakly_canonical(entry.path(), error);
        if (!error) byId[target] = entry.path();
    }
    std::vector<ProgrammerCandidate> ports;
    for (const auto& entry : fs::directory_iterator(dev, error)) {
        const std::string name = entry.path().filename().string();
        if (!IsSerialPortName(name)) continue;
        const fs::path node = fs::weakly_canonical(entry.path(), error);
        const auto stable = byId.find(node);
        ProgrammerCandidate port;
        port.node = entry.path().string();
        port.setting = "serial:" + (stable != byId.end() ? stable->second : entry.path()).string();
        port.description =
            stable != byId.end() ? stable->second.filename().string() : "serial port " + name;
        port.accessible = MayOpen(port.node);
        ports.push_back(std::move(port));
    }
    std::sort(ports.begin(), ports.end(),
              [](const auto& a, const auto& b) { return a.node < b.node; });
    return ports;
}

std::vector<ProgrammerCandidate> ListHidDevices(HidApi& hid) {
    std::vector<ProgrammerCandidate> devices;
    std::set<std::string> seen;
    for (const HidDeviceInfo& device : hid.Enumerate(0, 0)) {
        if (device.usagePage == kGenericDesktopPage || device.usagePage == kConsumerPage ||
            device.usagePage == kDigitizerPage) {
            continue;
        }
        if (!seen.insert(device.path).second) continue;
        ProgrammerCandidate candidate;
        candidate.setting = "hid:" + UsbIdText(device.vendor) + ":" + UsbIdText(device.product) +
                            (device.serial.empty() ? "" : ":" + device.serial);
        candidate.node = device.path;
        candidate.description = device.manufacturer;
        if (!device.productName.empty()) {
            candidate.description +=
                (candidate.description.empty() ? "" : " ") + device.productName;
        }
        if (candidate.description.empty()) candidate.description = "HID device";
        // Two units of one make differ only in it.
        if (!device.serial.empty()) candidate.description += SerialText(device.serial);
        candidate.accessible = MayOpen(device.path);
        devices.push_back(std::move(candidate));
    }
    return devices;
}

std::vector<ProgrammerCandidate> ListUsbDevices(UsbApi& usb) {
    std::vector<ProgrammerCandidate> devices;
    for (const UsbDevice& device : usb.Devices()) {
        if (device.deviceClass == kHubClass) continue;
        std::string kinds;
        for (const UsbInterface& interface : device.interfaces) {
            if (!Candidate(interface)) continue;
            const std::string kind = InterfaceKind(interface);
            if (kinds.find(kind) == std::string::npos) kinds += (kinds.empty() ? "" : ", ") + kind;
        }
        if (kinds.empty()) continue;
        ProgrammerCandidate candidate;
        candidate.setting = "usb:" + UsbIdText(device.vendor) + ":" + UsbIdText(device.product);
        candidate.node = UsbDevicePath(device);
        candidate.description = "USB device with " + kinds + " interface";
        if (const auto route = ChooseUsbRoute(device, {device.vendor, device.product, 0, 0})) {
            candidate.description +=
                "; endpoints " + UsbIdText(route->out.address).substr(2) + "/" +
                UsbIdText(route->in.address).substr(2) +
                (route->out.type == UsbTransferType::Bulk ? " bulk" : " interrupt");
        }
        if (device.serialIndex != 0) {
            const std::optional<std::string> serial = usb.SerialNumber(device);
            candidate.description += serial ? SerialText(*serial) : "; serial unreadable";
        }
        candidate.accessible = MayOpen(candidate.node);
        devices.push_back(std::move(candidate));
    }
    return devices;
}

std::vector<ProgrammerCandidate> ListProgrammers() {
    std::vector<ProgrammerCandidate> all = ListSerialPorts("/dev");
    const auto hid = MakeHidApi();
    for (auto& candidate : ListHidDevices(*hid)) all.push_back(std::move(candidate));
    const auto usb = MakeUsbApi();
    for (auto& candidate : ListUsbDevices(*usb)) all.push_back(std::move(candidate));
    return all;
}

std::string ProgrammerListText(const std::vector<ProgrammerCandidate>& candidates) {
    std::size_t settingWidth = 0;
    std::size_t nodeWidth = 0;
    for (const ProgrammerCandidate& candidate : candidates) {
        settingWidth = std::max(settingWidth, candidate.setting.size());
        nodeWidth = std::max(nodeWidth, candidate.node.size());
    }
    std::string text;
    for (const ProgrammerCandidate& candidate : candidates) {
        std::string line = candidate.setting;
        line.resize(settingWidth + 2, ' ');
        line += candidate.accessible ? "yes        " : "no access  ";
        std::string node = candidate.node;
        node.resize(nodeWidth + 2, ' ');
        text += line + node + candidate.description + "\n";
    }
    return text;
}

}  // namespace tamro
