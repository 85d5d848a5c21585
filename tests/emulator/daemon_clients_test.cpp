// The tamro18-emulator daemon against clients that hold it and against state
// files it must not touch.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "common/protocol.h"
#include "link/stream_drivers.h"
#include "tests/testing/daemon_process.h"
#include "tests/testing/file_system.h"

namespace tamro {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
using testing::DaemonProcess;

constexpr auto kIdleLimit = 1000ms;

int ConnectRaw(const std::string& port, int receiveBuffer) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Sends identification packets without reading a reply, until the daemon
// stops taking them.
void FloodWithoutReading(int fd) {
    const std::uint8_t identify[8] = {protocol::Code(protocol::Command::Identify)};
    fcntl(fd, F_SETFL, O_NONBLOCK);
    auto lastSent = SteadyClock::now();
    while (SteadyClock::now() - lastSent < 300ms) {
        if (send(fd, identify, sizeof identify, MSG_NOSIGNAL) > 0) {
            lastSent = SteadyClock::now();
        } else {
            std::this_thread::sleep_for(5ms);
        }
    }
}

// An ordinary client: opens (again and again while the daemon is busy) and
// takes the identification. True once it was served.
bool ServedBefore(const std::string& port, SteadyClock::time_point deadline) {
    while (SteadyClock::now() < deadline) {
        auto driver = MakeTcpDriver("127.0.0.1", port, 500ms);
        if (driver->Open() == 0) {
            const std::uint8_t identify[8] = {protocol::Code(protocol::Command::Identify)};
            std::uint8_t reply[8] = {};
            if (driver->DataWrite(identify, 8) == 8 && driver->DataRead(reply, 8) == 8) {
                return std::string(reply, reply + 8) == "EMUL1830";
            }
        }
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

struct HostileClient {
    const char* name;
    int receiveBuffer;
    std::function<void(int fd)> behave;
};

TEST(DaemonClientsTest, AClientThatHoldsTheDaemonIsDroppedAndSigtermStillEndsIt) {
    const HostileClient clients[] = {
        {"never sends", 0, [](int) {}},
        {"never reads", 4096, FloodWithoutReading},
    };
    for (const HostileClient& hostile : clients) {
        DaemonProcess daemon(
            {"--tcp", "127.0.0.1:0", "--idle-ms", std::to_string(kIdleLimit.count())});
        const std::string port = daemon.TcpPort();
        ASSERT_FALSE(port.empty());

        const int held = ConnectRaw(port, hostile.receiveBuffer);
        ASSERT_GE(held, 0);
        const auto start = SteadyClock::now();
        hostile.behave(held);
        // The next client is served once the idle limit has passed.
        EXPECT_TRUE(ServedBefore(port, start + kIdleLimit + 1500ms)) << hostile.name;
        close(held);

        // Held again, the daemon still ends at once on SIGTERM.
        const int again = ConnectRaw(port, hostile.receiveBuffer);
        ASSERT_GE(again, 0);
        hostile.behave(again);
        const auto stop = SteadyClock::now();
        daemon.Signal(SIGTERM);
        EXPECT_EQ(daemon.WaitForExit(1s), 0) << hostile.name;
        EXPECT_LT(SteadyClock::now() - stop, 1s) << hostile.name;
        close(again);
    }
}

// Back-to-back clients are each served at once: the port stays open while
// one is served, and a client that has gone makes way for the next.
TEST(DaemonClientsTest, BackToBackClientsAreNeverRefused) {
    DaemonProcess daemon({"--tcp", "127.0.0.1:0"});
    for (int run = 0; run < 20; ++run) {
        auto driver = MakeTcpDriver("127.0.0.1", daemon.TcpPort(), 2s);
        ASSERT_EQ(driver->Open(), 0) << "run " << run;
        const std::uint8_t identify[8] = {protocol::Code(protocol::Command::Identify)};
        std::uint8_t reply[8] = {};
        ASSERT_EQ(driver->DataWrite(identify, 8), 8);
        ASSERT_EQ(driver->DataRead(reply, 8), 8);
        driver->Close();
    }
}

struct DaemonRun {
    int status;
    std::string err;
};

// The daemon's exit status and what it printed on stderr (kept in `err`).
DaemonRun RunDaemonWithState(const std::string& state, const std::string& err) {
    const std::string command = "timeout -s KILL 5 '" + testing::EmulatorDaemonPath() +
                                "' --tcp 127.0.0.1:0 --state '" + state + "' >/dev/null 2>'" + err +
                                "'";
    const int status = std::system(command.c_str());
    DaemonRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::ReadFileBytes(err)};
    fs::remove(err);
    return run;
}

// Only a regular file (or none yet, in a folder that can be written) takes
// the chip: anything else is refused at start, and left as it was.
TEST(DaemonClientsTest, AStateFileThatIsNoRegularFileIsRefusedUntouched) {
    struct Case {
        const char* name;
        std::function<void(const std::string& folder)> make;  // the state path is folder/state
    };
    const Case cases[] = {
        {"a directory", [](const std::string& folder) { fs::create_directory(folder + "/state"); }},
        {"a FIFO", [](const std::string& folder) { mkfifo((folder + "/state").c_str(), 0600); }},
        {"a symbolic link to a FIFO",
         [](const std::string& folder) {
             mkfifo((folder + "/fifo").c_str(), 0600);
             fs::create_symlink(folder + "/fifo", folder + "/state");
         }},
        {"a folder that cannot be written",
         [](const std::string& folder) { testing::MakeReadOnly(folder); }},
    };
    for (const Case& c : cases) {
        const testing::IsolatedRun run =
            testing::RunOnSmallFileSystem(64 * 1024, [&](const std::string& folder) {
                const std::string path = folder + "/state";
                c.make(folder);
                const std::string before = testing::FileSnapshot(path);
                const DaemonRun daemon =
                    RunDaemonWithState(path, "/tmp/tamro-daemon-" + std::to_string(getpid()));
                std::string failure;
                if (daemon.status != 1) failure += " exit " + std::to_string(daemon.status);
                if (daemon.err.find("state file " + path + " refused") == std::string::npos) {
                    failure += " said \"" + daemon.err + "\"";
                }
                if (testing::FileSnapshot(path) != before) failure += " replaced it";
                return failure;
            });
        if (!run.skipReason.empty()) GTEST_SKIP() << run.skipReason;
        EXPECT_EQ(run.failure, "") << c.name;
    }
}

}  // namespace
}  // namespace tamro
