#include "tools/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace tamro {
namespace {

namespace fs = std::filesystem;

bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes, flushes to the disk and closes; false when any of it failed.
bool WriteAndClose(int descriptor, std::string_view bytes) {
    const bool written = WriteAll(descriptor, bytes) && ::fsync(descriptor) == 0;
    return ::close(descriptor) == 0 && written;
}

// A new file beside `target` that nobody else uses, or -1.
int CreateBeside(const fs::path& target, mode_t mode, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = (target.parent_path() / ("." + target.filename().string() + ".saving-" +
                                        std::to_string(::getpid()) + "-" + std::to_string(attempt)))
                   .string();
        const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (descriptor >= 0 || errno != EEXIST) return descriptor;
    }
    return -1;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    fs::path target(path);
    std::error_code error;
    if (fs::is_symlink(target, error)) {
        const fs::path resolved = fs::weakly_canonical(target, error);
        if (error) return false;
        target = resolved;
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    const mode_t mode = exists ? (existing.st_mode & 07777) : 0666;

    std::string temporary;
    const int descriptor = CreateBeside(target, mode, temporary);
    if (descriptor < 0) {
        // Only a folder closed to the user calls for writing in place; on a
        // full disk that would cut the old file short.
        if (errno != EACCES && errno != EPERM) return false;
        const int inPlace = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
        return inPlace >= 0 && WriteAndClose(inPlace, bytes);
    }
    // The new file was made under the umask; the old one's mode wins.
    const bool modeKept = !exists || ::fchmod(descriptor, mode) == 0;
    const bool written = WriteAndClose(descriptor, bytes) && modeKept;
    if (written && ::rename(temporary.c_str(), target.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace tamro
