#include "link/link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "link/driver_table.h"
#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using testing::PacketText;
using testing::RecordingDriver;
using testing::RecordingMessageBoxes;

Packet Reply(std::uint8_t first) {
    return {first, 2, 3, 4, 5, 6, 7, 8};
}

struct LinkFixture : ::testing::Test {
    RecordingDriver driver;
    RecordingMessageBoxes messages;
    Link link{driver, messages};
    std::vector<std::string> usbMessages;

    void SetUp() override {
        driver.responder = [](const Packet& packet) { return Reply(packet[0]); };
        link.SetUsbMessageSink([this](const std::string& text) { usbMessages.push_back(text); });
    }
};

TEST_F(LinkFixture, GoodExchangeFillsTheReplyBuffersAndText) {
    EXPECT_TRUE(link.Exchange(protocol::Command::Identify).ok());
    EXPECT_EQ(PacketText(driver.packets.at(0)), "3F 00 00 00 00 00 00 00");
    EXPECT_EQ(PacketText(link.SendBuffer()), "3F 00 00 00 00 00 00 00");
    const Packet expected = Reply(0x3F);
    EXPECT_EQ(link.ReplyData(), expected);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(link.ReceiveBuffer()[i], expected[i]);
    EXPECT_EQ(link.ReceiveBuffer()[8], 0);
    EXPECT_EQ(link.ReceiveBuffer()[9], 0);
    EXPECT_EQ(link.ReplyText(), std::string("\x3F\x02\x03\x04\x05\x06\x07\x08", 8));
    EXPECT_EQ(usbMessages, (std::vector<std::string>{"Write OK!:", "Read OK!:"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LinkFixture, ReplyTextKeepsTheFirstReplyIncludingZeroBytes) {
    driver.responder = [](const Packet&) { return Packet{0, 'B', 0, 0, 0, 0, '1', '0'}; };
    link.Exchange(protocol::Command::Identify);
    driver.responder = [](const Packet&) { return Packet{'X', 'X', 'X', 'X', 'X', 'X', 'X', 'X'}; };
    link.Exchange(protocol::Command::TargetSupply, 1);
    EXPECT_EQ(link.ReplyText(), std::string("\0B\0\0\0\0"
                                            "10",
                                            8));
}

TEST_F(LinkFixture, FailedWriteShowsOneBoxAndReadsNothing) {
    link.Exchange(protocol::Command::Identify);
    driver.failWrites = {2};
    EXPECT_FALSE(link.Exchange(protocol::Command::TargetSupply, 1).ok());
    EXPECT_EQ(driver.reads, 1);  // only the first exchange read
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "USB ERROR");
    EXPECT_EQ(messages.shown[0].text, "USB Write Error");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(link.UsbMessage(), "Write NG!:");
    EXPECT_EQ(link.ReplyData(), Reply(0x3F));  // unchanged
}

TEST_F(LinkFixture, FailedReadKeepsTheLastGoodReplyData) {
    link.Exchange(protocol::Command::Identify);
    driver.failReads = {2};
    driver.partialReadBytes = 3;
    EXPECT_FALSE(link.Exchange(protocol::Command::TableRead, 9, 2).ok());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "USB Read Error");
    EXPECT_EQ(link.UsbMessage(), "Read NG!:");
    EXPECT_EQ(link.ReplyData(), Reply(0x3F));
    // The failed read left its three bytes and zeros after them.
    const Packet partial = Reply(0x22);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(link.ReceiveBuffer()[i], partial[i]);
    for (int i = 3; i < 8; ++i) EXPECT_EQ(link.ReceiveBuffer()[i], 0);
    EXPECT_EQ(link.ReplyText().size(), 8u);
}

TEST_F(LinkFixture, EachFailureKindIsReportedAsSuchAndNamesItsBox) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        LinkFailure failure;
        const char* box;
        bool delivered;
    };
    const Case cases[] = {
        {"write", [&] { driver.failWrites = {driver.writes + 1}; }, LinkFailure::WriteFailed,
         "USB Write Error", false},
        {"no reply", [&] { driver.failReads = {driver.reads + 1}; }, LinkFailure::TimedOut,
         "USB Read Error", true},
        {"part of a reply",
         [&] {
             driver.failReads = {driver.reads + 1};
             driver.partialReadBytes = 5;
         },
         LinkFailure::ShortRead, "USB Read Error", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        c.arrange();
        const ExchangeResult result = link.Exchange(protocol::Command::Led, 1);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(*result.failure, c.failure);
        EXPECT_EQ(result.packetDelivered(), c.delivered);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, c.box);
    }
    // Quiet exchanges fail the same way without a box.
    messages.shown.clear();
    driver.failWrites = {driver.writes + 1};
    EXPECT_EQ(link.ExchangeQuietly(protocol::Command::Led, 0).failure, LinkFailure::WriteFailed);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LinkFixture, AClosedLinkSendsNothing) {
    ASSERT_EQ(link.Open(), 0);
    EXPECT_EQ(usbMessages.back(), "Driver Open:OK!");
    EXPECT_TRUE(link.Exchange(protocol::Command::Identify).ok());
    link.Close();
    link.Close();
    EXPECT_EQ(driver.closes, 1);
    EXPECT_EQ(link.Exchange(protocol::Command::Identify).failure, LinkFailure::NotOpen);
    EXPECT_EQ(driver.packets.size(), 1u);
    EXPECT_TRUE(messages.shown.empty());
}

// Posted packets on a windowed driver: never more than the window in flight,
// every reply handed over in order by the time a waited exchange or Flush
// returns, and a failure found while collecting reported once, with nothing
// sent after it and the replies still owed dropped.
TEST_F(LinkFixture, PostedPacketsKeepTheWindowAndStopAtTheFirstFailure) {
    struct Case {
        int window;
        int failingRead;  // 0: none
        int sentBeforeFailure;
        int handled;
    };
    constexpr int kPosted = 10;
    for (const Case c : {Case{1, 0, kPosted, kPosted}, Case{4, 0, kPosted, kPosted},
                         Case{4, 3, 6, 2}, Case{16, 3, kPosted, 2}, Case{16, 10, kPosted, 9}}) {
        SCOPED_TRACE("window " + std::to_string(c.window) + ", failing read " +
                     std::to_string(c.failingRead));
        driver = RecordingDriver{};
        driver.window = c.window;
        int mostInFlight = 0;
        driver.responder = [&](const Packet& packet) {
            mostInFlight = std::max(mostInFlight, driver.writes - driver.reads);
            return Reply(packet[1]);
        };
        if (c.failingRead) driver.failReads.insert(c.failingRead);
        messages.shown.clear();
        std::vector<int> handled;
        bool failed = false;
        for (int i = 0; i < kPosted && !failed; ++i) {
            const auto onReply = [&handled](const Packet& reply) { handled.push_back(reply[0]); };
            failed =
                !link.Post(protocol::Command::Icsp, static_cast<std::uint8_t>(i), 0, 0, onReply)
                     .ok();
        }
        if (!failed) failed = !link.Exchange(protocol::Command::Identify).ok();
        EXPECT_EQ(failed, c.failingRead != 0);
        EXPECT_LE(mostInFlight, c.window);
        EXPECT_EQ(link.InFlight(), 0u);
        EXPECT_EQ(static_cast<int>(handled.size()), c.handled);
        for (int i = 0; i < static_cast<int>(handled.size()); ++i) EXPECT_EQ(handled[i], i);
        EXPECT_EQ(messages.shown.size(), failed ? 1u : 0u);
        const int sent = static_cast<int>(driver.packets.size());
        EXPECT_EQ(sent, c.failingRead ? c.sentBeforeFailure : kPosted + 1);
        // Replies owed for packets after the failed one are dropped, not read later.
        EXPECT_EQ(driver.discards, c.failingRead && sent > c.failingRead ? 1 : 0);
    }
}

TEST(DriverResultText, TableAndUnknownResults) {
    EXPECT_EQ(DriverResultText(0), "OK!");
    EXPECT_EQ(DriverResultText(-6), "NG(テストエラー)");
    EXPECT_EQ(DriverResultText(-7), "");
    EXPECT_EQ(DriverResultText(-2), "NG(ドライバオープンエラー)");
    EXPECT_EQ(DriverResultText(-9), "NG(-9)");
    EXPECT_EQ(DriverResultText(3), "NG(3)");
}

TEST(DriverTable, NamesSelectBackends) {
    std::string error;
    EXPECT_NE(MakeDriver("", &error), nullptr);
    EXPECT_NE(MakeDriver("emulator", &error), nullptr);
    EXPECT_EQ(MakeDriver("bogus", &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(MakeDriver("tcp:nohostport", &error), nullptr);
    EXPECT_EQ(MakeDriver("emulator:extra", &error), nullptr);
    EXPECT_EQ(MakeDriverOrUnavailable("bogus")->Open(), -2);
    EXPECT_TRUE(IsEmulatorSetting(""));
    EXPECT_TRUE(IsEmulatorSetting("emulator?window=8"));
    EXPECT_FALSE(IsEmulatorSetting("tcp:localhost:1"));
}

TEST(DriverTable, AnySettingMayAskForAWindow) {
    struct Case {
        const char* setting;
        int window;  // 0: refused
    };
    const Case cases[] = {
        {"tcp:127.0.0.1:5000", 1},
        {"tcp:[::1]:5000?window=16", 16},
        {"serial:/dev/ttyACM0?window=4", 4},
        {"emulator?window=64", 64},
        {"?window=2", 2},
        {"serial:/dev/ttyACM0?window=0", 0},
        {"serial:/dev/ttyACM0?window=", 0},
        {"serial:/dev/ttyACM0?window=4x", 0},
        {"serial:/dev/ttyACM0?window=99999", 0},
        {"serial:/dev/ttyACM0?speed=9600", 0},
        {"serial:/dev/ttyUSB0?baud=2000000&window=8", 8},
        {"serial:/dev/ttyUSB0?baud=2000001", 0},
        {"serial:/dev/ttyUSB0?baud=", 0},
        {"tcp:127.0.0.1:5000?baud=115200", 0},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto options = DriverOptionsFromSetting(c.setting, {}, &error);
        if (c.window == 0) {
            EXPECT_FALSE(options) << c.setting;
            EXPECT_FALSE(error.empty()) << c.setting;
            EXPECT_EQ(MakeDriver(c.setting), nullptr) << c.setting;
        } else {
            ASSERT_TRUE(options) << c.setting << ": " << error;
            EXPECT_EQ(options->window, c.window) << c.setting;
        }
    }
    // The window does not reach the backend's own argument.
    const auto parsed = ParseDriverSetting("tcp:localhost:5000?window=8");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->backend, "tcp");
    EXPECT_EQ(parsed->argument, "localhost:5000");
    EXPECT_NE(MakeDriver("emulator?window=8"), nullptr);
    EXPECT_EQ(ParseDriverSetting("serial:/dev/ttyUSB0?window=2&baud=500000")->baud, 500000);
}

}  // namespace
}  // namespace tamro
