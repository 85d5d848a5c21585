// The tamro18-emulator daemon against clients that hold it and state files it
// must not touch.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "common/protocol.h"
#include "link/stream_drivers.h"
#include "tests/testing/daemon_process.h"
#include "tests/testing/file_system.h"

namespace tamro {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kIdentify[8] = {protocol::Code(protocol::Command::Identify)};

// A client that never sends, or one that (with a small receive buffer) sends
// until the daemon takes no more, never reading a reply.
int Hold(const std::string& port, bool flood) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0), buffer = 4096;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in address{
        AF_INET, htons(std::uint16_t(std::stoi(port))), {htonl(INADDR_LOOPBACK)}, {}};
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    for (auto sent = Clock::now(); flood && Clock::now() - sent < 300ms;) {
        if (send(fd, kIdentify, 8, MSG_NOSIGNAL | MSG_DONTWAIT) > 0) sent = Clock::now();
    }
    return fd;
}

bool Served(const std::string& port) {
    auto driver = MakeTcpDriver("127.0.0.1", port, 500ms);
    std::uint8_t reply[8] = {};
    return driver->Open() == 0 && driver->DataWrite(kIdentify, 8) == 8 &&
           driver->DataRead(reply, 8) == 8 && std::string(reply, reply + 8) == "EMUL1830";
}

// Once the idle limit has passed, the next client is served and the ones after
// it at once; held again, the daemon still ends at once on SIGTERM.
TEST(DaemonClientsTest, AClientThatHoldsTheDaemonIsDroppedAndSigtermStillEndsIt) {
    for (const bool flood : {false, true}) {
        testing::DaemonProcess daemon({"--tcp", "127.0.0.1:0", "--idle-ms", "2000"});
        const int held = Hold(daemon.TcpPort(), flood);
        const auto deadline = Clock::now() + 3500ms;
        while (!Served(daemon.TcpPort()) && Clock::now() < deadline) {
            std::this_thread::sleep_for(50ms);
        }
        EXPECT_LT(Clock::now(), deadline) << "flood " << flood;
        for (int run = 0; run < 10; ++run) EXPECT_TRUE(Served(daemon.TcpPort())) << run;
        close(held);
        const int again = Hold(daemon.TcpPort(), flood);
        daemon.Signal(SIGTERM);
        EXPECT_EQ(daemon.WaitForExit(1s), 0) << "flood " << flood;
        close(again);
    }
}

// Only a regular file (or none yet, in a folder that can be written) takes
// the chip: anything else is refused at start with a message, left as it was.
TEST(DaemonClientsTest, AStateFileThatIsNoRegularFileIsRefusedUntouched) {
    const testing::ScratchDisk disk;
    if (const std::string no = disk.MountSmallFileSystem(64 * 1024); !no.empty())
        GTEST_SKIP() << no;
    std::filesystem::create_directory(disk.path / "folder");
    ::mkfifo((disk.path / "fifo").c_str(), 0600);
    for (const std::string name : {"folder", "fifo", "in a read-only folder"}) {
        if (name == "in a read-only folder") disk.MakeReadOnly();
        const std::string path = disk.path / name, before = testing::FileContents(path);
        const std::string command = "timeout -s KILL 5 " + testing::EmulatorDaemonPath() +
                                    " --tcp 127.0.0.1:0 --state '" + path + "' 2>&1";
        std::FILE* daemon = ::popen(command.c_str(), "r");
        char said[300] = {};
        std::fread(said, 1, sizeof said - 1, daemon);
        EXPECT_EQ(WEXITSTATUS(::pclose(daemon)), 1) << name;
        EXPECT_NE(std::string(said).find("state file " + path + " refused"), std::string::npos)
            << said;
        EXPECT_EQ(testing::FileContents(path), before) << name;
    }
}

}  // namespace
}  // namespace tamro
