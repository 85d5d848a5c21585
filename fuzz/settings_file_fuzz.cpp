// Any bytes as the panel's settings file read by tamro18-cli: the first two
// lines name the section and the key looked up in the rest. The reader never
// crashes, and a value it finds is one line of the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/cli/cli_session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto line = [&input] {
        const std::size_t end = input.find('\n');
        const std::string_view taken = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
        return taken;
    };
    const std::string_view section = line();
    const std::string_view key = line();
    const std::string value = tamro::cli::StoredSettingValue(input, section, key);
    if (value.find('\n') != std::string::npos || value.size() > input.size()) std::abort();
    if (!value.empty() && input.find(value) == std::string_view::npos) std::abort();
    return 0;
}
