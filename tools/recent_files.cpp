#include "tools/recent_files.h"

#include <algorithm>

namespace tamro {
namespace {

const std::string kApplication = "TAMRO18";
const std::string kSection = "RECENT";

std::string KeyOf(int index) {
    return "FILE" + std::to_string(index + 1);
}

}  // namespace

RecentFiles::RecentFiles(SettingsStore& settings) : settings_(settings) {
    for (int i = 0; i < kMaxFiles; ++i) {
        std::string path = settings_.Read(kApplication, kSection, KeyOf(i));
        if (!path.empty() && std::find(files_.begin(), files_.end(), path) == files_.end()) {
            files_.push_back(std::move(path));
        }
    }
}

void RecentFiles::Add(const std::string& path) {
    if (path.empty()) return;
    std::erase(files_, path);
    files_.insert(files_.begin(), path);
    if (files_.size() > kMaxFiles) files_.resize(kMaxFiles);
    Store();
}

void RecentFiles::Store() {
    for (int i = 0; i < kMaxFiles; ++i) {
        const auto index = static_cast<std::size_t>(i);
        settings_.Write(kApplication, kSection, KeyOf(i),
                        index < files_.size() ? files_[index] : std::string());
    }
}

}  // namespace tamro
