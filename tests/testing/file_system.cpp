#include "tests/testing/file_system.h"

#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tamro::testing {

namespace fs = std::filesystem;

std::string FileContents(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (fs::is_symlink(status)) {
        return "link to " + FileContents(path.parent_path() / fs::read_symlink(path, error));
    }
    if (!fs::is_regular_file(status)) return "kind " + std::to_string(int(status.type()));
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

ScratchFolder::ScratchFolder() {
    char pattern[] = "/tmp/tamro-test-XXXXXX";
    path = ::mkdtemp(pattern);
}

ScratchFolder::~ScratchFolder() {
    ::umount2(path.c_str(), MNT_DETACH);
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

std::string ScratchFolder::MountSmallFileSystem(std::size_t bytes) const {
    // Once per process: mounts of its own.
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

void ScratchFolder::Fill() const {
    std::ofstream filler(path / "filler", std::ios::binary);
    while (filler << std::string(4096, 'f')) {
    }
}

void ScratchFolder::MakeReadOnly() const {
    ::mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
}

}  // namespace tamro::testing
