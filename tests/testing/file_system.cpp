#include "tests/testing/file_system.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tamro::testing {
namespace {

bool WriteProcFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written;
}

// A mount namespace for this process; as an ordinary user, inside a user
// namespace that maps the user to root. Empty, or why not.
std::string EnterMountNamespace() {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (uid == 0) {
        if (::unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
    } else {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            return std::string("no user namespaces: ") + std::strerror(errno);
        }
        WriteProcFile("/proc/self/setgroups", "deny");
        if (!WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
            return "cannot map the user into a user namespace";
        }
    }
    // Nothing mounted here may reach the parent's namespace.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return std::string("cannot make the mounts private: ") + std::strerror(errno);
    }
    return "";
}

}  // namespace

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

IsolatedRun RunOnSmallFileSystem(std::size_t bytes,
                                 const std::function<std::string(const std::string&)>& body) {
    char pattern[] = "/tmp/tamro-smallfs-XXXXXX";
    if (!::mkdtemp(pattern)) return {std::string("mkdtemp: ") + std::strerror(errno), ""};
    const std::string folder = pattern;
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return {"pipe", ""};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        // A write beyond a file size limit must fail, not end the process.
        ::signal(SIGXFSZ, SIG_IGN);
        std::string skip = EnterMountNamespace();
        if (skip.empty() && ::mount("tamro-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                                    ("size=" + std::to_string(bytes)).c_str()) != 0) {
            skip = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        }
        // 'S' and the reason, or 'R' and the body's failure text.
        const std::string message = skip.empty() ? "R" + body(folder) : "S" + skip;
        (void)!::write(report[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(report[1]);
    std::string message;
    char chunk[512];
    for (ssize_t n; (n = ::read(report[0], chunk, sizeof chunk)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        message.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(report[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (message.empty()) return {"", "the child process ended without a report"};
    if (message[0] == 'S') return {message.substr(1), ""};
    return {"", message.substr(1)};
}

std::string FillFileSystem(const std::string& folder) {
    const std::string path = folder + "/filler";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return "cannot create the filler";
    const std::string block(4096, 'f');
    for (;;) {
        const ssize_t n = ::write(fd, block.data(), block.size());
        if (n > 0) continue;
        const int error = n < 0 ? errno : ENOSPC;
        ::close(fd);
        return error == ENOSPC ? "" : std::string("filling: ") + std::strerror(error);
    }
}

std::string MakeReadOnly(const std::string& folder) {
    if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        return std::string("cannot remount read-only: ") + std::strerror(errno);
    }
    return "";
}

}  // namespace tamro::testing
