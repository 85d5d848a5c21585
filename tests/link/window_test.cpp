// Several packets in flight: the window a driver setting asks for, replies in
// order, and replies dropped after a failure.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/protocol.h"
#include "link/driver_table.h"
#include "tests/testing/daemon_process.h"

namespace tamro {
namespace {

using Clock = std::chrono::steady_clock;

// Packets whose replies tell them apart: identify, and analog reads of the
// Vpp level as it changes.
using protocol::Code;
using protocol::Command;
const std::vector<std::vector<std::uint8_t>> kPackets = {
    {Code(Command::Identify)},
    {Code(Command::VppLevel), Code(protocol::VppLevel::FiveVolts)},
    {Code(Command::AnalogRead), Code(protocol::AnalogChannel::Vpp)},
    {Code(Command::VppLevel), Code(protocol::VppLevel::ZeroVolts)},
    {Code(Command::AnalogRead), Code(protocol::AnalogChannel::Vpp)},
    {Code(Command::Identify)},
};

std::vector<std::string> ReplyTexts(DriverLibrary& driver, std::size_t count) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t reply[8] = {};
        EXPECT_EQ(driver.DataRead(reply, 8), 8) << "reply " << i;
        texts.emplace_back(reply, reply + 8);
    }
    return texts;
}

void WriteAll(DriverLibrary& driver) {
    for (auto packet : kPackets) {
        packet.resize(8);
        ASSERT_EQ(driver.DataWrite(packet.data(), 8), 8);
    }
}

TEST(WindowTest, TheSettingsWindowReachesTheDriver) {
    for (const auto& [setting, window] : std::vector<std::pair<std::string, int>>{
             {"emulator", 1}, {"emulator?window=16", 16}, {"tcp:127.0.0.1:1?window=4", 4}}) {
        auto driver = MakeDriver(setting);
        ASSERT_TRUE(driver) << setting;
        EXPECT_EQ(driver->Window(), window) << setting;
    }
}

// The same replies, in the same order, whether each is read before the next
// packet goes or all packets go first; and a held-back reply set is dropped.
TEST(WindowTest, RepliesComeInOrderAndDiscardedOnesAnswerNothingLater) {
    testing::DaemonProcess daemon({"--tcp", "0", "--link-latency-ms", "20"});
    ASSERT_FALSE(daemon.TcpPort().empty()) << daemon.FirstLine();
    auto driver = MakeDriver(daemon.DriverSetting() + "?window=16");
    ASSERT_TRUE(driver);
    ASSERT_EQ(driver->Open(), 0);

    std::vector<std::string> stopAndWait;
    auto start = Clock::now();
    for (auto packet : kPackets) {
        packet.resize(8);
        ASSERT_EQ(driver->DataWrite(packet.data(), 8), 8);
        stopAndWait.push_back(ReplyTexts(*driver, 1).front());
    }
    const auto stopAndWaitTime = Clock::now() - start;

    start = Clock::now();
    WriteAll(*driver);
    EXPECT_EQ(ReplyTexts(*driver, kPackets.size()), stopAndWait);
    const auto pipelinedTime = Clock::now() - start;
    EXPECT_GE(stopAndWaitTime, kPackets.size() * std::chrono::milliseconds(20));
    EXPECT_LT(pipelinedTime, stopAndWaitTime / 2) << "the latency is paid once";

    WriteAll(*driver);
    ReplyTexts(*driver, 2);
    driver->DiscardReplies();
    std::uint8_t identify[8] = {protocol::Code(protocol::Command::Identify)};
    ASSERT_EQ(driver->DataWrite(identify, 8), 8);
    EXPECT_EQ(ReplyTexts(*driver, 1).front(), "EMUL1830");
    driver->Close();
}

}  // namespace
}  // namespace tamro
