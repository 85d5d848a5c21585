#pragma once
// Files and file systems for tests: what a path holds, and scratch folders
// that can hold a small tmpfs of the test's own to fill up or make read-only.

#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tamro::testing {

// What `path` holds now, to compare before and after: a regular file's bytes
// (through any symbolic link), else the kind of thing it is.
inline std::string FileContents(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!is_regular_file(status)) return "kind " + std::to_string(int(status.type()));
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder under /tmp, removed with all it holds at the end.
struct ScratchDisk {
    ScratchDisk() {
        char pattern[] = "/tmp/tamro-test-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~ScratchDisk() {
        ::umount2(path.c_str(), MNT_DETACH);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    // Mounts a tmpfs of `bytes` on it in a mount namespace of the process's own
    // (inside a user namespace for an ordinary user): empty, or why it cannot.
    std::string MountSmallFileSystem(std::size_t bytes) const {
        static const std::string refused = []() -> std::string {
            const std::string uid = std::to_string(::geteuid()), gid = std::to_string(::getegid());
            if (::unshare(uid == "0" ? CLONE_NEWNS : CLONE_NEWUSER | CLONE_NEWNS) != 0) {
                return std::string("no mount namespace: ") + std::strerror(errno);
            }
            if (uid != "0") {
                std::ofstream("/proc/self/setgroups") << "deny";
                std::ofstream("/proc/self/uid_map") << "0 " + uid + " 1";
                std::ofstream("/proc/self/gid_map") << "0 " + gid + " 1";
            }
            const int made = ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
            return made == 0 ? "" : std::string("no private mounts: ") + std::strerror(errno);
        }();
        if (!refused.empty()) return refused;
        const int made = ::mount("tamro-test", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                                 ("size=" + std::to_string(bytes)).c_str());
        return made == 0 ? "" : std::string("cannot mount a tmpfs: ") + std::strerror(errno);
    }
    void Fill() const {
        std::ofstream filler(path / "filler", std::ios::binary);
        while (filler << std::string(4096, 'f')) {
        }
    }
    void MakeReadOnly() const {
        ::mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
    }

    std::filesystem::path path;
};

}  // namespace tamro::testing
