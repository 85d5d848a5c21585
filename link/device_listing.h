#pragma once
// The devices on this machine that could be a programmer, each with the driver
// setting that reaches it and whether this user may open it.
#include <filesystem>
#include <string>
#include <vector>

#include "link/hid_driver.h"
#include "link/usb_driver.h"

namespace tamro {

struct ProgrammerCandidate {
    std::string setting;      // e.g. "serial:/dev/serial/by-id/usb-...", "hid:04d8:003f"
    std::string node;         // the device node the user needs access to
    std::string description;  // what the system knows of the device
    bool accessible = false;  // this user may read and write the node
};

// /dev/ttyACM*, /dev/ttyUSB*, named by their /dev/serial/by-id link when there is one.
std::vector<ProgrammerCandidate> ListSerialPorts(const std::filesystem::path& dev);
// HID devices other than keyboards, mice, game controllers and media keys.
std::vector<ProgrammerCandidate> ListHidDevices(HidApi& hid);
// USB devices with a vendor-class, CDC or (non-boot) HID interface; no hubs.
std::vector<ProgrammerCandidate> ListUsbDevices(UsbApi& usb);

// All three on this machine.
std::vector<ProgrammerCandidate> ListProgrammers();

// One line per device: setting, access, node, description.
std::string ProgrammerListText(const std::vector<ProgrammerCandidate>& candidates);

}  // namespace tamro
