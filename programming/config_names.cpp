#include "programming/config_names.h"

#include <algorithm>

namespace tamro {
namespace {

std::vector<devices::DecodedSetting> Decode(const devices::Device& device,
                                            const ConfigBytes& bytes) {
    devices::ConfigArray config{};
    std::copy_n(bytes.begin(), std::min(config.size(), bytes.size()), config.begin());
    return devices::DecodeConfig(device, config);
}

}  // namespace

const devices::Device& NamingDevice(const ProgrammerSession& session) {
    const devices::Device* target = devices::Table().ForId(session.deviceIdReading().deviceId);
    if (target && GroupServing(session.deviceIdReading().deviceId) == session.group()) {
        return *target;
    }
    return session.groupValues().device;
}

std::vector<ConfigNameRow> ConfigurationByName(const devices::Device& device,
                                               const ConfigBytes& image,
                                               const std::optional<ConfigBytes>& chip) {
    const std::vector<devices::DecodedSetting> boxes = Decode(device, image);
    const std::vector<devices::DecodedSetting> read =
        chip ? Decode(device, *chip) : std::vector<devices::DecodedSetting>{};
    std::vector<ConfigNameRow> rows;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const devices::DecodedSetting& setting = boxes[i];
        ConfigNameRow row;
        row.address = ChipAddressText(kConfigBase + static_cast<std::uint32_t>(setting.offset));
        row.field = setting.field;
        row.image = setting.value;
        row.meaning = setting.description;
        row.imageProtectionOn = setting.protectionOn;
        // Both decodings go over the same device's fields in the same order.
        if (i < read.size()) {
            row.chip = read[i].value;
            row.chipProtectionOn = read[i].protectionOn;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tamro
