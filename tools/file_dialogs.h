#pragma once
// The common open and save file dialogs, behind an interface so that tests
// never block on a modal dialog.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tamro {

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // `filter` is given as "Caption|patterns|Caption|patterns|", patterns
    // separated by ";". Both return the chosen path, or "" when cancelled.
    virtual std::string OpenFileName(const std::string& filter) = 0;
    // A name typed without an extension gets SaveExtensionFor the chosen
    // filter (asking before it replaces a file of that name).
    virtual std::string SaveFileName(const std::string& filter) = 0;
};

// One entry of a dialog filter: its caption and its patterns.
struct FilterEntry {
    std::string caption;
    std::vector<std::string> patterns;
};
std::vector<FilterEntry> ParseFilter(std::string_view filter);

// The extension (without the dot) that a name typed without one gets when the
// filter entry `chosen` is selected: that of its first pattern ("*.c" gives
// "c"), or the first entry's when the chosen one names none ("*.*").
std::string SaveExtensionFor(const std::string& filter, std::size_t chosen);

// `path` with "." + `extension` added when its file name has no extension.
std::string WithExtension(const std::string& path, const std::string& extension);

}  // namespace tamro
