#pragma once
// The tamro18-emulator daemon as a child process of a test, for the serial
// (pseudo-terminal) and TCP backends.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace tamro::testing {

// TAMRO_BINARY_DIR/app/tamro18-emulator, or found from the running program's
// own place in the build tree (tests/<folder>/<test>, bench/<benchmark>).
std::string EmulatorDaemonPath();
// A program of the build tree's app/ folder, found the same way.
std::string AppProgramPath(const std::string& name);

// Starts the daemon (or `program`, which serves the same way, such as the
// board simulator) with `arguments` (and no state file) and keeps the first
// line it prints: the pseudo-terminal's path or "listening on HOST:PORT".
class DaemonProcess {
  public:
    explicit DaemonProcess(std::vector<std::string> arguments, std::string program = {});
    ~DaemonProcess();
    DaemonProcess(const DaemonProcess&) = delete;
    DaemonProcess& operator=(const DaemonProcess&) = delete;

    const std::string& FirstLine() const { return firstLine_; }
    // The driver setting ("serial:PATH" or "tcp:HOST:PORT") that reaches it.
    std::string DriverSetting() const;
    // The port of a TCP daemon, "" for a pseudo-terminal one.
    std::string TcpPort() const;

    // The next line the daemon prints (an operation's timing), or "" after `limit`.
    std::string NextLine(std::chrono::milliseconds limit) { return ReadLine(limit); }

    void Signal(int number);
    // Exit status (128 + signal after a signal), or -1 when it did not end within `limit`.
    int WaitForExit(std::chrono::milliseconds limit);
    // SIGKILL, then waits for the end.
    void Kill();

  private:
    std::string ReadLine(std::chrono::milliseconds limit);

    pid_t pid_ = -1;
    int output_ = -1;
    bool reaped_ = false;
    std::string firstLine_;
};

}  // namespace tamro::testing
