#include "link/device_text.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace tamro {

std::optional<std::uint16_t> ParseUsbId(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (status != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::string UsbIdText(std::uint16_t id) {
    char text[5];
    std::snprintf(text, sizeof text, "%04x", id);
    return text;
}

std::vector<std::string> SplitAtColons(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon - start));
        if (colon == std::string::npos) return parts;
        start = colon + 1;
    }
}

OpenFailureCause OpenFailureFromErrno(const std::string& device, int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return {OpenProblem::DeviceMissing, device};
        case EACCES:
        case EPERM:
            return {OpenProblem::PermissionDenied, device};
        case EBUSY:
        case EWOULDBLOCK:
            return {OpenProblem::DeviceBusy, device};
        default:
            return {OpenProblem::Failed, device + ": " + std::strerror(error)};
    }
}

}  // namespace tamro
