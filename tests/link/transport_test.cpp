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
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/protocol.h"
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
    // How a second client's open fails while the first is served.
    OpenProblem busyProblem;
};

std::unique_ptr<DriverLibrary> DriverFor(const DaemonProcess& daemon,
                                         std::chrono::milliseconds timeout) {
    const std::string setting = daemon.DriverSetting();
    if (setting.rfind("tcp:", 0) == 0) {
        const std::string address = setting.substr(4);
        const std::size_t colon = address.rfind(':');
        return MakeTcpDriver(address.substr(0, colon), address.substr(colon + 1), timeout);
    }
    return MakeSerialDriver(setting.substr(7), timeout, kDefaultSerialBaud);
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

TEST_P(TransportTest, ALateReplyIsAShortReadAndNeverAnswersALaterPacket) {
    // The second packet's reply leaves 450 ms late: past the read's time limit, within the
    // next exchange's wait for what is still owed. It may reach the panel before the next
    // packet is written (the user took time over the error box) or while the next exchange
    // is under way; neither may answer that packet.
    struct Case {
        const char* name;
        std::chrono::milliseconds pauseAfterTheError;
    };
    for (const Case& when : {Case{"arrives before the next packet", 700ms},
                             Case{"arrives during the next exchange", 0ms}}) {
        SCOPED_TRACE(when.name);
        std::vector<std::string> arguments = GetParam().arguments;
        arguments.insert(arguments.end(), {"--delay-replies", "2", "--delay-ms", "450"});
        DaemonProcess daemon(arguments);
        auto driver = DriverFor(daemon, kTestTimeout);
        ASSERT_EQ(driver->Open(), 0);
        testing::RecordingMessageBoxes messages;
        Link link(*driver, messages);

        ASSERT_TRUE(link.Exchange(protocol::Command::AnalogRead, 0).ok());
        const Packet analog = link.ReplyData();
        ASSERT_NE(std::string(analog.begin(), analog.end()), "EMUL1830");
        const auto start = SteadyClock::now();
        EXPECT_FALSE(link.Exchange(protocol::Command::Identify).ok());
        const auto waited = SteadyClock::now() - start;
        EXPECT_GE(waited, kTestTimeout - 20ms);
        EXPECT_LT(waited, kTestTimeout + 500ms);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "USB Read Error");

        std::this_thread::sleep_for(when.pauseAfterTheError);
        EXPECT_TRUE(link.Exchange(protocol::Command::AnalogRead, 0).ok());
        EXPECT_EQ(link.ReplyData(), analog);
        EXPECT_TRUE(link.Exchange(protocol::Command::Identify).ok());
        EXPECT_EQ(std::string(link.ReplyData().begin(), link.ReplyData().end()), "EMUL1830");
        EXPECT_EQ(messages.shown.size(), 1u);
        driver->Close();
    }
}

TEST_P(TransportTest, ASecondClientIsRefusedAtOnceWhileTheFirstIsServed) {
    DaemonProcess daemon(GetParam().arguments);
    auto first = DriverFor(daemon, kTestTimeout);
    ASSERT_EQ(first->Open(), 0);
    std::uint8_t identify[8] = {protocol::Code(protocol::Command::Identify)};
    std::uint8_t reply[8] = {};
    ASSERT_EQ(first->DataWrite(identify, 8), 8);
    ASSERT_EQ(first->DataRead(reply, 8), 8);

    auto second = DriverFor(daemon, kTestTimeout);
    const auto start = SteadyClock::now();
    EXPECT_EQ(second->Open(), -2);
    EXPECT_LT(SteadyClock::now() - start, 100ms);
    const OpenFailure failure = DescribeOpenFailure(daemon.DriverSetting(), *second);
    EXPECT_EQ(failure.problem, GetParam().busyProblem);
    EXPECT_NE(OpenFailureText(failure).find(daemon.DriverSetting()), std::string::npos);

    // The first client is still served as before.
    ASSERT_EQ(first->DataWrite(identify, 8), 8);
    ASSERT_EQ(first->DataRead(reply, 8), 8);
    EXPECT_EQ(std::string(reply, reply + 8), "EMUL1830");

    // Once it has gone, the next client gets the programmer.
    first->Close();
    bool opened = false;
    for (int attempt = 0; attempt < 100 && !opened; ++attempt) {
        opened = second->Open() == 0;
        if (!opened) std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(opened);
    std::fill(std::begin(reply), std::end(reply), 0);
    ASSERT_EQ(second->DataWrite(identify, 8), 8);
    ASSERT_EQ(second->DataRead(reply, 8), 8);
    EXPECT_EQ(std::string(reply, reply + 8), "EMUL1830");
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

INSTANTIATE_TEST_SUITE_P(
    Daemon, TransportTest,
    ::testing::Values(Transport{"pty", {"--pty"}, OpenProblem::DeviceBusy},
                      Transport{"tcp", {"--tcp", "127.0.0.1:0"}, OpenProblem::Unreachable}),
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

// A port nobody listens on: bind one, learn its number, close it.
std::string UnusedTcpPort() {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return std::to_string(ntohs(address.sin_port));
}

TEST(TransportOpenTest, AFailedOpenSaysWhichSettingItTriedAndWhy) {
    const std::string scratch =
        (std::filesystem::temp_directory_path() / ("tamro-locked-" + std::to_string(getpid())))
            .string();
    std::filesystem::remove(scratch);
    { std::ofstream(scratch) << "x"; }
    std::filesystem::permissions(scratch, std::filesystem::perms::none);
    const bool root = geteuid() == 0;  // root opens the file anyway

    struct Case {
        std::string setting;
        OpenProblem problem;
        std::string text;  // expected part of the message
    };
    const std::vector<Case> cases = {
        {"serial:/nonexistent/tty", OpenProblem::DeviceMissing, "/nonexistent/tty does not exist"},
        {"tcp:127.0.0.1:" + UnusedTcpPort(), OpenProblem::Unreachable, "connection refused"},
        {"tcp:no-such-host.invalid:1", OpenProblem::Unreachable, "no-such-host.invalid"},
        {"bogus:thing", OpenProblem::UnknownBackend, "no driver backend named \"bogus\""},
        {"tcp:nohostport", OpenProblem::BadSetting, "tcp needs HOST:PORT"},
        {"hid:ffff:fffe", OpenProblem::DeviceMissing, "USB HID device ffff:fffe does not exist"},
        {"usb:ffff:fffe:02:82", OpenProblem::DeviceMissing, "USB device ffff:fffe does not exist"},
        {"usb:ffff", OpenProblem::BadSetting, "usb needs VID:PID"},
        {"serial:/dev/null?window=0", OpenProblem::BadSetting, "window needs a whole number"},
        {"serial:" + scratch, root ? OpenProblem::None : OpenProblem::PermissionDenied,
         scratch + " exists, but permission to read and write it was denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        std::string error;
        auto driver = MakeDriverOrUnavailable(c.setting, {}, &error);
        const bool opened = driver->Open() == 0;
        if (c.problem == OpenProblem::None) {
            EXPECT_TRUE(opened);
            continue;
        }
        ASSERT_FALSE(opened);
        std::uint8_t packet[8] = {protocol::Code(protocol::Command::Identify)};
        EXPECT_EQ(driver->DataWrite(packet, 8), 0);
        const OpenFailure failure = DescribeOpenFailure(c.setting, *driver);
        EXPECT_EQ(failure.problem, c.problem);
        const std::string text = OpenFailureText(failure);
        EXPECT_EQ(text.rfind("driver setting \"" + c.setting + "\": ", 0), 0u) << text;
        EXPECT_NE(text.find(c.text), std::string::npos) << text;
    }
    std::filesystem::remove(scratch);
}

}  // namespace
}  // namespace tamro
