#pragma once
// The files opened last, most recent first, at most six, kept in the settings
// (application "TAMRO18", section "RECENT", keys FILE1 to FILE6).

#include <string>
#include <vector>

#include "common/platform.h"

namespace tamro {

class RecentFiles {
  public:
    static constexpr int kMaxFiles = 6;

    explicit RecentFiles(SettingsStore& settings);
    const std::vector<std::string>& Files() const { return files_; }
    // Puts `path` first; a path already listed moves up, the oldest beyond six goes.
    void Add(const std::string& path);

  private:
    void Store();

    SettingsStore& settings_;
    std::vector<std::string> files_;
};

}  // namespace tamro
