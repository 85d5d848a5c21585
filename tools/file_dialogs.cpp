#include "tools/file_dialogs.h"

namespace tamro {
namespace {

std::vector<std::string> SplitAt(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char character : text) {
        if (character == separator) {
            parts.push_back(part);
            part.clear();
        } else {
            part += character;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

// "asm" for "*.asm"; "" for "*.*", "*" or anything with wildcards after the dot.
std::string ExtensionOf(const std::string& pattern) {
    if (pattern.size() < 3 || pattern.compare(0, 2, "*.") != 0) return {};
    const std::string extension = pattern.substr(2);
    return extension.find_first_of("*?[") == std::string::npos ? extension : std::string();
}

}  // namespace

std::vector<FilterEntry> ParseFilter(std::string_view filter) {
    const std::vector<std::string> parts = SplitAt(filter, '|');
    std::vector<FilterEntry> entries;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        entries.push_back({parts[i], SplitAt(parts[i + 1], ';')});
    }
    return entries;
}

std::string SaveExtensionFor(const std::string& filter, std::size_t chosen) {
    const std::vector<FilterEntry> entries = ParseFilter(filter);
    auto firstExtension = [&](std::size_t index) {
        if (index >= entries.size() || entries[index].patterns.empty()) return std::string();
        return ExtensionOf(entries[index].patterns.front());
    };
    const std::string extension = firstExtension(chosen);
    return extension.empty() ? firstExtension(0) : extension;
}

std::string WithExtension(const std::string& path, const std::string& extension) {
    if (path.empty() || extension.empty()) return path;
    const std::size_t nameStart = path.find_last_of('/') + 1;  // 0 when there is no folder
    const std::size_t dot = path.find('.', nameStart);
    // A leading dot (".profile") names a hidden file, not an extension.
    if (dot != std::string::npos && dot > nameStart && dot + 1 < path.size()) return path;
    if (!path.empty() && path.back() == '.') return path + extension;
    return path + "." + extension;
}

}  // namespace tamro
