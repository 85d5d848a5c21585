#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tamro {
namespace {

namespace fs = std::filesystem;

FileResult Problem(FileProblem problem, const std::string& what, const std::string& path,
                   const std::string& why) {
    return {problem, what + " " + path + ": " + why, why};
}

FileResult SystemProblem(const std::string& what, const std::string& path, int error) {
    return Problem(error == ENOENT ? FileProblem::Missing : FileProblem::Failed, what, path,
                   std::strerror(error));
}

// The file a symbolic link leads to (through any chain of links); the path
// itself when it is no link.
fs::path Resolved(const std::string& path) {
    fs::path target(path);
    std::error_code error;
    if (!fs::is_symlink(target, error)) return target;
    const fs::path resolved = fs::weakly_canonical(target, error);
    return error ? target : resolved;
}

bool WriteAllAt(int descriptor, std::string_view bytes, off_t offset) {
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(descriptor, bytes.data(), bytes.size(), offset);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return true;
}

// A new file beside `target` that nobody else uses, or -1 with errno set.
int CreateBeside(const fs::path& target, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = (target.parent_path() / ("." + target.filename().string() + ".saving-" +
                                        std::to_string(::getpid()) + "-" + std::to_string(attempt)))
                   .string();
        const int descriptor =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (descriptor >= 0 || errno != EEXIST) return descriptor;
    }
    errno = EEXIST;
    return -1;
}

// Makes a finished rename last through a power failure.
void SyncFolder(const fs::path& file) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

// Rewrites an existing file in place, once the space for all of `bytes` is
// reserved: a full disk then fails before the first byte changes.
FileResult WriteInPlace(const std::string& path, const fs::path& target, std::string_view bytes,
                        const struct stat& existing) {
    const int descriptor = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) return SystemProblem("cannot write", path, errno);
    const off_t size = static_cast<off_t>(bytes.size());
    int reserved = 0;
    if (size > 0) {
        reserved = ::fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, size) == 0 ? 0 : errno;
        if (reserved == EOPNOTSUPP) {
            // Reserving by extending the file: undone when it fails half-way.
            reserved = ::posix_fallocate(descriptor, 0, size);
            if (reserved != 0 && ::ftruncate(descriptor, existing.st_size) != 0) reserved = errno;
        }
    }
    if (reserved != 0) {
        ::close(descriptor);
        return SystemProblem("cannot write", path, reserved);
    }
    int failure = 0;
    if (!WriteAllAt(descriptor, bytes, 0) || ::ftruncate(descriptor, size) != 0 ||
        ::fsync(descriptor) != 0) {
        failure = errno;
    }
    if (::close(descriptor) != 0 && failure == 0) failure = errno;
    return failure ? SystemProblem("cannot write", path, failure) : FileResult{};
}

}  // namespace

FileResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty()) return {FileProblem::Missing, "cannot write: no file name", "no file name"};
    const fs::path target = Resolved(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return SystemProblem("cannot write", path, errno);
    if (exists && !S_ISREG(existing.st_mode)) {
        return Problem(FileProblem::NotRegular, "cannot write", path, "not a regular file");
    }

    std::string temporary;
    const int descriptor = CreateBeside(target, temporary);
    if (descriptor < 0) {
        const int error = errno;
        // Only a folder closed to the user calls for writing in place.
        if (exists && (error == EACCES || error == EPERM)) {
            return WriteInPlace(path, target, bytes, existing);
        }
        return SystemProblem("cannot write", path, error);
    }
    // The new file was made under the umask; the old one's mode wins.
    int failure = 0;
    if ((exists && ::fchmod(descriptor, existing.st_mode & 07777) != 0) ||
        !WriteAllAt(descriptor, bytes, 0) || ::fsync(descriptor) != 0) {
        failure = errno;
    }
    if (::close(descriptor) != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temporary.c_str());
        return SystemProblem("cannot write", path, failure);
    }
    SyncFolder(target);
    return {};
}

FileResult CheckWritableFile(const std::string& path) {
    if (path.empty()) return {FileProblem::Missing, "cannot write: no file name", "no file name"};
    const fs::path target = Resolved(path);
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            return Problem(FileProblem::NotRegular, "cannot write", path, "not a regular file");
        }
        return ::access(target.c_str(), W_OK) == 0 ? FileResult{}
                                                   : SystemProblem("cannot write", path, errno);
    }
    if (errno != ENOENT) return SystemProblem("cannot write", path, errno);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    struct stat folderStatus {};
    if (::stat(folder.c_str(), &folderStatus) != 0)
        return SystemProblem("cannot write", path, errno);
    if (!S_ISDIR(folderStatus.st_mode)) return SystemProblem("cannot write", path, ENOTDIR);
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? FileResult{}
                                                      : SystemProblem("cannot write", path, errno);
}

int OpenRegularFile(const std::string& path, FileResult& result) {
    result = {};
    // Checked before the open too: opening some device nodes already acts.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        result = SystemProblem("cannot read", path, errno);
        return -1;
    }
    if (!S_ISREG(status.st_mode)) {
        result = Problem(FileProblem::NotRegular, "cannot read", path, "not a regular file");
        return -1;
    }
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        result = SystemProblem("cannot read", path, errno);
        return -1;
    }
    // The file may have been swapped between the two looks.
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        result = Problem(FileProblem::NotRegular, "cannot read", path, "not a regular file");
        return -1;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}

namespace {

FileResult TooLarge(const std::string& path, std::size_t maxBytes) {
    return Problem(FileProblem::TooLarge, "cannot read", path,
                   "larger than " + std::to_string(maxBytes) + " bytes");
}

bool LargerThan(int descriptor, std::size_t maxBytes) {
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 && static_cast<std::size_t>(status.st_size) > maxBytes;
}

}  // namespace

FileResult CheckReadableFile(const std::string& path, std::size_t maxBytes) {
    FileResult result;
    const int descriptor = OpenRegularFile(path, result);
    if (descriptor < 0) return result;
    if (LargerThan(descriptor, maxBytes)) result = TooLarge(path, maxBytes);
    ::close(descriptor);
    return result;
}

FileReadResult ReadRegularFile(const std::string& path, std::size_t maxBytes) {
    FileReadResult result;
    const int descriptor = OpenRegularFile(path, result);
    if (descriptor < 0) return result;
    const auto tooLarge = [&] {
        static_cast<FileResult&>(result) = TooLarge(path, maxBytes);
        result.bytes.clear();
    };
    if (LargerThan(descriptor, maxBytes)) {
        tooLarge();
    } else {
        char chunk[8192];
        for (;;) {
            const ssize_t n = ::read(descriptor, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                static_cast<FileResult&>(result) = SystemProblem("cannot read", path, errno);
                result.bytes.clear();
                break;
            }
            if (n == 0) break;
            // A file that grows while it is read is held to the same limit.
            if (result.bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
                tooLarge();
                break;
            }
            result.bytes.append(chunk, static_cast<std::size_t>(n));
        }
    }
    ::close(descriptor);
    return result;
}

}  // namespace tamro
