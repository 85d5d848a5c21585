#pragma once
// The configuration by name: each configuration field of the device with the
// setting the configuration boxes hold and the one the chip held at the last
// READ, as the device table's fields name them.

#include <optional>
#include <string>
#include <vector>

#include "devices/device_table.h"
#include "images/images.h"
#include "programming/programmer_session.h"

namespace tamro {

struct ConfigNameRow {
    std::string address;  // "300001h"
    std::string field;    // "OSC"
    std::string image;    // the boxes' setting: "HS", or "bits 05" when no setting has them
    std::string chip;     // the chip's setting; empty when it has not been read
    std::string meaning;  // what the boxes' setting does
    // A code, write or table-read protection field that is on.
    bool imageProtectionOn = false;
    bool chipProtectionOn = false;
};

// The device whose fields name the configuration: the target's when the
// selected group's sequences serve it (an 18F2550 under the 18F4520 group),
// else the group's own device.
const devices::Device& NamingDevice(const ProgrammerSession& session);

std::vector<ConfigNameRow> ConfigurationByName(const devices::Device& device,
                                               const ConfigBytes& image,
                                               const std::optional<ConfigBytes>& chip);

}  // namespace tamro
