#include "tools/help_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tamro {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsRegularFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

}  // namespace

std::string HelpFileSetting(const std::string& F_ASM) {
    return F_ASM + "\\" + kHelpFileName;
}

std::string LocalPath(const std::string& settingPath) {
    std::string path = settingPath;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::optional<std::string> FindFileAnyCase(const std::string& path) {
    if (path.empty()) return std::nullopt;
    const fs::path wanted(path);
    if (IsRegularFile(wanted)) return path;
    const fs::path folder = wanted.has_parent_path() ? wanted.parent_path() : fs::path(".");
    const std::string name = Lower(wanted.filename().string());
    if (name.empty()) return std::nullopt;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) return std::nullopt;
    std::optional<std::string> found;
    for (const fs::directory_entry& entry : entries) {
        if (Lower(entry.path().filename().string()) != name) continue;
        if (!IsRegularFile(entry.path())) continue;
        // Several spellings: take the first in name order, so the choice does
        // not depend on the directory's order.
        const std::string candidate = entry.path().string();
        if (!found || candidate < *found) found = candidate;
    }
    return found;
}

std::vector<std::string> DefaultHelpFallbacks() {
    std::vector<std::string> fallbacks;
#ifdef TAMRO_HELP_INSTALLED_FILE
    fallbacks.push_back(TAMRO_HELP_INSTALLED_FILE);
#endif
#ifdef TAMRO_HELP_SOURCE_FILE
    fallbacks.push_back(TAMRO_HELP_SOURCE_FILE);
#endif
    return fallbacks;
}

std::vector<std::string> HelpFileCandidates(const std::string& F_ASM,
                                            const std::vector<std::string>& fallbacks) {
    std::vector<std::string> candidates;
    if (auto own = FindFileAnyCase(LocalPath(HelpFileSetting(F_ASM)))) candidates.push_back(*own);
    for (const std::string& fallback : fallbacks) {
        if (auto found = FindFileAnyCase(fallback)) candidates.push_back(*found);
    }
    return candidates;
}

HelpReading ReadHelpFile(const std::string& F_ASM, const std::vector<std::string>& fallbacks) {
    HelpReading reading;
    for (const std::string& candidate : HelpFileCandidates(F_ASM, fallbacks)) {
        std::ifstream file(candidate, std::ios::binary);
        if (!file.is_open()) continue;
        reading.path = candidate;
        std::string line;
        while (std::getline(file, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            reading.lines.push_back(line);
        }
        reading.ok = !file.bad();
        return reading;
    }
    return reading;
}

std::string HelpText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

std::optional<HelpLayout> HelpFormLayout(int outerWidthTwips, int outerHeightTwips) {
    if (outerHeightTwips <= 500) return std::nullopt;
    HelpLayout layout;
    layout.textWidth = std::max(0, outerWidthTwips - 140);
    layout.textHeight = outerHeightTwips - 500;
    layout.exitLeft = std::max(0, outerWidthTwips - 1500);
    layout.exitTop = std::max(0, outerHeightTwips - 1100);
    return layout;
}

}  // namespace tamro
