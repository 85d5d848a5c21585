#include "programming/hex_file_watch.h"

#include <system_error>

namespace tamro {

std::optional<HexFileWatch::Look> HexFileWatch::LookOf(const std::string& path) {
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(path, error);
    if (error) return std::nullopt;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return Look{modified, size};
}

void HexFileWatch::Loaded(const std::string& path) {
    file_ = path;
    loaded_ = LookOf(path);
    polled_.reset();
    reported_.reset();
}

void HexFileWatch::Forget() {
    file_.clear();
    loaded_.reset();
    polled_.reset();
    reported_.reset();
}

bool HexFileWatch::Changed() const {
    return !file_.empty() && LookOf(file_) != loaded_;
}

bool HexFileWatch::PollSettledChange() {
    if (file_.empty()) return false;
    const std::optional<Look> now = LookOf(file_);
    // Each change is reported once, also when loading it then fails.
    const bool settled = now && now != loaded_ && now == polled_ && now != reported_;
    polled_ = now;
    if (settled) reported_ = now;
    return settled;
}

}  // namespace tamro
