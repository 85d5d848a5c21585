#include "tests/testing/daemon_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace tamro::testing {
namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr const char* kListening = "listening on ";

}  // namespace

std::string AppProgramPath(const std::string& name) {
    if (const char* binary = std::getenv("TAMRO_BINARY_DIR"); binary && *binary) {
        return std::string(binary) + "/app/" + name;
    }
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    // tests/<folder>/<test>, or bench/<benchmark>.
    for (auto folder = self.parent_path(); !folder.empty() && folder != folder.root_path();
         folder = folder.parent_path()) {
        const auto program = folder / "app" / name;
        if (std::filesystem::exists(program, error)) return program.string();
    }
    return (self.parent_path().parent_path().parent_path() / "app" / name).string();
}

std::string EmulatorDaemonPath() {
    return AppProgramPath("tamro18-emulator");
}

DaemonProcess::DaemonProcess(std::vector<std::string> arguments, std::string program) {
    int out[2];
    if (pipe(out) != 0) return;
    const std::string path = program.empty() ? EmulatorDaemonPath() : std::move(program);
    pid_ = fork();
    if (pid_ == 0) {
        // The pipe may have taken descriptor 0 or 1 when the test runs without them.
        if (out[1] != STDOUT_FILENO) {
            dup2(out[1], STDOUT_FILENO);
            close(out[1]);
        }
        if (out[0] != STDOUT_FILENO) close(out[0]);
        setenv("TAMRO18_EMULATOR_STATE", "none", 1);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        std::perror(path.c_str());
        _exit(127);
    }
    close(out[1]);
    output_ = out[0];
    firstLine_ = ReadLine(std::chrono::seconds(5));
}

DaemonProcess::~DaemonProcess() {
    if (pid_ > 0 && !reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0) close(output_);
}

std::string DaemonProcess::DriverSetting() const {
    if (firstLine_.rfind(kListening, 0) == 0) {
        return "tcp:" + firstLine_.substr(std::string(kListening).size());
    }
    return "serial:" + firstLine_;
}

std::string DaemonProcess::TcpPort() const {
    if (firstLine_.rfind(kListening, 0) != 0) return "";
    return firstLine_.substr(firstLine_.rfind(':') + 1);
}

void DaemonProcess::Signal(int number) {
    if (pid_ > 0 && !reaped_) kill(pid_, number);
}

int DaemonProcess::WaitForExit(std::chrono::milliseconds limit) {
    if (pid_ <= 0) return -1;
    const auto deadline = SteadyClock::now() + limit;
    while (!reaped_ && SteadyClock::now() < deadline) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            reaped_ = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1;
}

void DaemonProcess::Kill() {
    Signal(SIGKILL);
    WaitForExit(std::chrono::seconds(5));
}

std::string DaemonProcess::ReadLine(std::chrono::milliseconds limit) {
    std::string line;
    const auto deadline = SteadyClock::now() + limit;
    while (SteadyClock::now() < deadline) {
        pollfd entry{output_, POLLIN, 0};
        if (poll(&entry, 1, 50) <= 0) continue;
        char c = 0;
        if (read(output_, &c, 1) != 1) break;
        if (c == '\n') break;
        line += c;
    }
    return line;
}

}  // namespace tamro::testing
