// The serial and TCP backends against the tamro18-emulator daemon.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/driver_table.h"
#include "link/link.h"
#include "link/stream_drivers.h"
#include "tests/testing/daemon_process.h"
#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
using testing::DaemonProcess;

constexpr auto kTestTimeout = 300ms;

struct Transport {
    const char* name;
    std::vector<std::string> arguments;
};

std::unique_ptr<DriverLibrary> DriverFor(const DaemonProcess& daemon,
                                         std::chrono::milliseconds timeout) {
    const std::string setting = daemon.DriverSetting();
    if (setting.rfind("tcp:", 0) == 0) {
        const std::string address = setting.substr(4);
        const std::size_t colon = address.rfind(':');
        return MakeTcpDriver(address.substr(0, colon), address.substr(colon + 1), timeout);
    }
    return MakeSerialDriver(setting.substr(7), timeout);
}

// Kills the daemon right after a chosen write, before its reply is read.
class KillingDriver final : public DriverLibrary {
  public:
    KillingDriver(DriverLibrary& inner, DaemonProcess& daemon) : inner_(inner), daemon_(daemon) {}
    std::int32_t Open() override { return inner_.Open(); }
    void Close() override { inner_.Close(); }
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        const std::int32_t written = inner_.DataWrite(buffer, count);
        if (killOnWrite) {
            killOnWrite = false;
            daemon_.Signal(SIGKILL);
            daemon_.WaitForExit(2s);
        }
        return written;
    }
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override {
        return inner_.DataRead(buffer, count);
    }
    bool killOnWrite = false;

  private:
    DriverLibrary& inner_;
    DaemonProcess& daemon_;
};

class TransportTest : public ::testing::TestWithParam<Transport> {};

void StartUp(Link& link) {
    link.Exchange(protocol::Command::Identify);
    link.Exchange(protocol::Command::VppLevel, 0);
    link.Exchange(protocol::Command::LineMode, 1);
    link.Exchange(protocol::Command::VppLevel, 2);
    link.Exchange(protocol::Command::SetTablePointer, 63, 255, 254);
    link.Exchange(protocol::Command::TableRead, 9, 2);
}

TEST_P(TransportTest, PanelStartUpAndThousandsOfExchanges) {
    DaemonProcess daemon(GetParam().arguments);
    ASSERT_FALSE(daemon.FirstLine().empty());
    std::string error;
    auto driver = MakeDriver(daemon.DriverSetting(), &error);
    ASSERT_TRUE(driver) << error;
    ASSERT_EQ(driver->Open(), 0);
    testing::RecordingMessageBoxes messages;
    Link link(*driver, messages);

    StartUp(link);
    EXPECT_EQ(link.ReplyText().substr(0, 8), "EMUL1830");
    EXPECT_EQ(link.ReceiveBuffer()[0], 0x27);
    EXPECT_EQ(link.ReceiveBuffer()[1], 0x04);
    link.Exchange(protocol::Command::VppLevel, 1);
    link.Exchange(protocol::Command::LineMode, 1);
    link.Exchange(protocol::Command::TargetSupply, 1);
    link.Exchange(protocol::Command::Led, 0);

    // Programming and reading back a row, then a few thousand mixed exchanges.
    link.Exchange(protocol::Command::VppLevel, 0);
    link.Exchange(protocol::Command::LineMode, 1);
    link.Exchange(protocol::Command::VppLevel, 2);
    for (int exchange = 0; exchange < 3000; ++exchange) {
        switch (exchange % 3) {
            case 0:
                ASSERT_TRUE(link.Exchange(protocol::Command::Identify).ok());
                ASSERT_EQ(link.ReplyData()[0], 'E');
                break;
            case 1:
                ASSERT_TRUE(link.Exchange(protocol::Command::SetTablePointer, 63, 255, 254).ok());
                break;
            default:
                ASSERT_TRUE(link.Exchange(protocol::Command::TableRead, 9, 2).ok());
                ASSERT_EQ(link.ReplyData()[1], 0x04) << exchange;
                break;
        }
    }
    EXPECT_TRUE(messages.shown.empty());
    driver->Close();

    daemon.Signal(SIGTERM);
    EXPECT_EQ(daemon.WaitForExit(3s), 0);
}

TEST_P(TransportTest, StoppingTheDaemonGivesAReadErrorWithinTheTimeLimitAndThePanelGoesOn) {
    // The latency keeps the reply from being on its way before the daemon is killed.
    std::vector<std::string> arguments = GetParam().arguments;
    arguments.insert(arguments.end(), {"--latency-ms", "20"});
    DaemonProcess daemon(arguments);
    auto stream = DriverFor(daemon, kTestTimeout);
    ASSERT_EQ(stream->Open(), 0);
    KillingDriver driver(*stream, daemon);
    testing::RecordingMessageBoxes messages;
    Link link(driver, messages);
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(link.Exchange(protocol::Command::AnalogRead, 0).ok());

    driver.killOnWrite = true;
    const auto start = SteadyClock::now();
    EXPECT_FALSE(link.Exchange(protocol::Command::Identify).ok());
    EXPECT_LT(SteadyClock::now() - start, kTestTimeout + 2s);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "USB Read Error");

    // Every later exchange fails promptly; nothing hangs or ends the process.
    const auto later = SteadyClock::now();
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(link.Exchange(protocol::Command::Identify).ok());
    EXPECT_LT(SteadyClock::now() - later, 5 * kTestTimeout + 1s);
    EXPECT_EQ(messages.shown.size(), 6u);
    driver.Close();
}

TEST_P(TransportTest, ALateReplyIsAShortReadAndDoesNotAnswerTheNextPacket) {
    std::vector<std::string> arguments = GetParam().arguments;
    arguments.insert(arguments.end(), {"--latency-ms", "600"});
    DaemonProcess daemon(arguments);
    auto driver = DriverFor(daemon, kTestTimeout);
    ASSERT_EQ(driver->Open(), 0);
    std::uint8_t packet[8] = {57, 0, 0, 0, 0, 0, 0, 0};
    std::uint8_t reply[8] = {};
    ASSERT_EQ(driver->DataWrite(packet, 8), 8);
    const auto start = SteadyClock::now();
    EXPECT_EQ(driver->DataRead(reply, 8), 0);
    const auto waited = SteadyClock::now() - start;
    EXPECT_GE(waited, kTestTimeout - 20ms);
    EXPECT_LT(waited, kTestTimeout + 500ms);

    std::this_thread::sleep_for(700ms);  // the late reply arrives meanwhile
    std::uint8_t identify[8] = {63, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(driver->DataWrite(identify, 8), 8);
    std::this_thread::sleep_for(650ms);
    ASSERT_EQ(driver->DataRead(reply, 8), 8);
    EXPECT_EQ(std::string(reply, reply + 8), "EMUL1830");
    driver->Close();
}

TEST_P(TransportTest, DeviceInstrumentsAndCleanEndOnSigterm) {
    std::vector<std::string> arguments = GetParam().arguments;
    arguments.insert(arguments.end(), {"--device", "18F4520"});
    DaemonProcess daemon(arguments);
    auto driver = DriverFor(daemon, 2s);
    ASSERT_EQ(driver->Open(), 0);
    testing::RecordingMessageBoxes messages;
    Link link(*driver, messages);
    StartUp(link);
    EXPECT_EQ(link.ReplyData()[1], 0x10);
    link.Exchange(protocol::Command::FrequencyCount, 0);
    EXPECT_EQ(link.ReplyData()[0] << 8 | link.ReplyData()[1], 100);
    link.Exchange(protocol::Command::CaptureStart, 1, 1);
    link.Exchange(protocol::Command::CaptureRead, 7);
    EXPECT_EQ(link.ReplyData()[3], 0x1F) << "samples 0 to 4 high, 5 to 7 low";
    EXPECT_TRUE(messages.shown.empty());

    // SIGTERM while a client is connected ends the daemon cleanly.
    daemon.Signal(SIGTERM);
    EXPECT_EQ(daemon.WaitForExit(3s), 0);
    EXPECT_FALSE(link.Exchange(protocol::Command::Identify).ok());
}

INSTANTIATE_TEST_SUITE_P(Daemon, TransportTest,
                         ::testing::Values(Transport{"pty", {"--pty"}},
                                           Transport{"tcp", {"--tcp", "127.0.0.1:0"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TransportStateTest, TheChipKeepsItsMemoryBetweenDaemons) {
    const std::string state = (std::filesystem::temp_directory_path() /
                               ("tamro-daemon-" + std::to_string(getpid()) + ".state"))
                                  .string();
    std::filesystem::remove(state);
    const std::vector<std::uint8_t> row = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    {
        DaemonProcess writer({"--tcp", "0", "--device", "18F4520", "--state", state});
        auto driver = DriverFor(writer, 2s);
        ASSERT_EQ(driver->Open(), 0);
        testing::RecordingMessageBoxes messages;
        Link link(*driver, messages);
        link.Exchange(protocol::Command::VppLevel, 0);
        link.Exchange(protocol::Command::LineMode, 1);
        link.Exchange(protocol::Command::VppLevel, 2);
        link.Exchange(protocol::Command::Icsp, 0, 0x8E, 0xA6);
        link.Exchange(protocol::Command::Icsp, 0, 0x9C, 0xA6);
        link.Exchange(protocol::Command::SetTablePointer, 0, 0x01, 0x00);
        for (int word = 0; word < 16; ++word) {
            const std::size_t i = static_cast<std::size_t>(word % 4) * 2;
            link.Exchange(protocol::Command::Icsp, word < 15 ? 13 : 15, row[i + 1], row[i]);
        }
        link.Exchange(protocol::Command::ProgrammingNop);
        link.Exchange(protocol::Command::VppLevel, 1);
        EXPECT_TRUE(messages.shown.empty());
        writer.Signal(SIGTERM);
        EXPECT_EQ(writer.WaitForExit(3s), 0);
    }
    DaemonProcess reader({"--pty", "--device", "18F4520", "--state", state});
    auto driver = DriverFor(reader, 2s);
    ASSERT_EQ(driver->Open(), 0);
    testing::RecordingMessageBoxes messages;
    Link link(*driver, messages);
    link.Exchange(protocol::Command::VppLevel, 0);
    link.Exchange(protocol::Command::LineMode, 1);
    link.Exchange(protocol::Command::VppLevel, 2);
    link.Exchange(protocol::Command::SetTablePointer, 0, 0x01, 0x00);
    link.Exchange(protocol::Command::TableRead, 9, 8);
    EXPECT_TRUE(std::equal(row.begin(), row.end(), link.ReplyData().begin()));
    link.Exchange(protocol::Command::SetTablePointer, 0, 0x00, 0xF8);
    link.Exchange(protocol::Command::TableRead, 9, 8);
    EXPECT_EQ(link.ReplyData(), Packet({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    std::filesystem::remove(state);
}

TEST(TransportOpenTest, UnreachableProgrammersFailToOpen) {
    EXPECT_EQ(MakeSerialDriver("/nonexistent/tty", kTestTimeout)->Open(), -2);
    // A port nobody listens on: bind one, learn its number, close it.
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    const std::string port = std::to_string(ntohs(address.sin_port));
    auto driver = MakeTcpDriver("127.0.0.1", port, kTestTimeout);
    EXPECT_EQ(driver->Open(), -2);
    std::uint8_t packet[8] = {63};
    EXPECT_EQ(driver->DataWrite(packet, 8), 0);
    EXPECT_EQ(MakeTcpDriver("no-such-host.invalid", "1", kTestTimeout)->Open(), -2);
}

TEST(TransportOpenTest, TcpServesOneConnectionAtATime) {
    DaemonProcess daemon({"--tcp", "0"});
    ASSERT_EQ(daemon.FirstLine().rfind("listening on 127.0.0.1:", 0), 0u) << daemon.FirstLine();
    auto first = DriverFor(daemon, kTestTimeout);
    auto second = DriverFor(daemon, kTestTimeout);
    ASSERT_EQ(first->Open(), 0);
    ASSERT_EQ(second->Open(), 0);  // waits in the backlog
    std::uint8_t packet[8] = {63};
    std::uint8_t reply[8] = {};
    ASSERT_EQ(first->DataWrite(packet, 8), 8);
    EXPECT_EQ(first->DataRead(reply, 8), 8);
    ASSERT_EQ(second->DataWrite(packet, 8), 8);
    EXPECT_EQ(second->DataRead(reply, 8), 0);  // not served while the first is connected
    first->Close();
    ASSERT_EQ(second->DataWrite(packet, 8), 8);
    std::uint8_t later[8] = {};
    // The earlier packet is answered first and discarded as stale before this write, or
    // both answers are still on their way: either way the reply read is the identification.
    EXPECT_EQ(second->DataRead(later, 8), 8);
    EXPECT_EQ(std::string(later, later + 8), "EMUL1830");
}

}  // namespace
}  // namespace tamro
