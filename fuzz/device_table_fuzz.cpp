// Any bytes as a user's device file read over the built-in table: the reader
// never crashes, a file with an error changes nothing and names its line, and
// every entry of a file that reads is one the operations can use.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "devices/device_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tamro::devices;
    const std::string text(reinterpret_cast<const char*>(data), size);
    DeviceTable table = BuiltInTable();
    const auto error = table.Read(text, "fuzz.devices");
    if (error) {
        if (error->line < 1 || error->Text().empty()) std::abort();
        if (!(table.Devices() == BuiltInTable().Devices())) std::abort();
        return 0;
    }
    for (const Device& d : table.Devices()) {
        if (d.name.empty() || d.flashBytes > kMaxFlashBytes || d.eepromBytes > kMaxEepromBytes)
            std::abort();
        if (d.Served() && (d.writeBufferBytes == 0 || d.flashBytes % d.writeBufferBytes != 0 ||
                           d.chipEraseKeys.empty() || d.chipEraseKeys.size() > 2))
            std::abort();
        ConfigArray config{};
        (void)DecodeConfig(d, config);
    }
    return 0;
}
