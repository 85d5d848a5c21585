#include "tests/testing/file_system.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tamro::testing {
namespace {

namespace fs = std::filesystem;

std::string Failed(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool WriteProcFile(const char* path, const std::string& text) {
    std::ofstream file(path);
    return static_cast<bool>(file << text << std::flush);
}

// A private mount namespace for this process; as an ordinary user, inside a
// user namespace that maps the user to root. Empty, or why not.
std::string EnterMountNamespace() {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(uid == 0 ? CLONE_NEWNS : CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        return Failed(uid == 0 ? "unshare" : "no user namespaces");
    }
    if (uid != 0) {
        WriteProcFile("/proc/self/setgroups", "deny");
        if (!WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
            return "cannot map the user into a user namespace";
        }
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return Failed("cannot make the mounts private");
    }
    return "";
}

}  // namespace

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string FileSnapshot(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (fs::is_symlink(status)) return "link to " + FileSnapshot(fs::read_symlink(path, error));
    if (!fs::exists(status)) return "missing";
    if (fs::is_directory(status)) return "folder";
    if (fs::is_fifo(status)) return "fifo";
    return fs::is_regular_file(status) ? ReadFileBytes(path) : "other";
}

ScratchFolder::ScratchFolder() {
    char pattern[] = "/tmp/tamro-test-XXXXXX";
    path = ::mkdtemp(pattern);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

IsolatedRun RunOnSmallFileSystem(std::size_t bytes,
                                 const std::function<std::string(const std::string&)>& body) {
    const ScratchFolder scratch;
    const std::string folder = scratch.path.string();
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return {Failed("pipe"), ""};
    if (::fork() == 0) {
        ::close(report[0]);
        // A write beyond a file size limit must fail, not end the process.
        ::signal(SIGXFSZ, SIG_IGN);
        std::string skip = EnterMountNamespace();
        if (skip.empty() && ::mount("tamro-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                                    ("size=" + std::to_string(bytes)).c_str()) != 0) {
            skip = Failed("cannot mount a tmpfs");
        }
        // 'S' and the reason to skip, or 'R' and the body's failure text.
        const std::string message = skip.empty() ? "R" + body(folder) : "S" + skip;
        (void)!::write(report[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(report[1]);
    std::string message;
    char chunk[512];
    for (ssize_t n; (n = ::read(report[0], chunk, sizeof chunk)) != 0;) {
        if (n > 0) message.append(chunk, static_cast<std::size_t>(n));
        if (n < 0 && errno != EINTR) break;
    }
    ::close(report[0]);
    ::wait(nullptr);
    if (message.empty()) return {"", "the child process ended without a report"};
    if (message[0] == 'S') return {message.substr(1), ""};
    return {"", message.substr(1)};
}

std::string FillFileSystem(const std::string& folder) {
    std::ofstream filler(folder + "/filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), block.size())) {
    }
    return errno == ENOSPC ? "" : Failed("filling");
}

std::string MakeReadOnly(const std::string& folder) {
    if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        return Failed("cannot remount read-only");
    }
    return "";
}

}  // namespace tamro::testing
