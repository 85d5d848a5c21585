#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/protocol.h"
#include "link/backends.h"
#include "link/link.h"
#include "tests/testing/fakes.h"

namespace tamro {
namespace {

TEST(EmulatorDriverTest, FailsTheChosenWritesAndReadsAndGoesOn) {
    DriverOptions options;
    options.failingWrites = {2};
    options.failingReads = {3, 5};
    auto driver = MakeEmulatorDriver(options);
    ASSERT_EQ(driver->Open(), 0);
    EXPECT_EQ(driver->Open(), -1);  // already open
    testing::RecordingMessageBoxes messages;
    Link link(*driver, messages);
    std::vector<bool> results;
    for (int i = 0; i < 6; ++i) results.push_back(link.Exchange(protocol::Command::Identify).ok());
    // Write 2 fails (no read follows it); reads 3 and 5 are those of exchanges 4 and 6.
    EXPECT_EQ(results, (std::vector<bool>{true, false, true, false, true, false}));
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].text, "USB Write Error");
    EXPECT_EQ(messages.shown[1].text, "USB Read Error");
    EXPECT_EQ(link.ReplyText(), "EMUL1830");
    driver->Close();
    std::uint8_t packet[8] = {protocol::Code(protocol::Command::Identify)};
    EXPECT_EQ(driver->DataWrite(packet, 8), 0);
}

// A row write of the 18F452 group: TBLPTR, four table writes, the
// programming NOP and its 1 ms wait; 1225 us of target time.
using protocol::Code;
using protocol::Command;
const std::vector<Packet> kRowWrite = {
    {Code(Command::SetTablePointer), 0, 0, 0},
    {Code(Command::Icsp), protocol::icsp::kTableWritePostIncrement2, 1, 2},
    {Code(Command::Icsp), protocol::icsp::kTableWritePostIncrement2, 3, 4},
    {Code(Command::Icsp), protocol::icsp::kTableWritePostIncrement2, 5, 6},
    {Code(Command::Icsp), protocol::icsp::kTableWriteStartProgramming, 7, 8},
    {Code(Command::ProgrammingNop)},
    {Code(Command::ProgrammingWait), protocol::kRowWriteWait},
};
constexpr std::chrono::microseconds kRowWriteBusy{120 + 4 * 20 + 25 + 1000};

DriverOptions WithEmulator(const emu::Options& emulator) {
    DriverOptions options;
    options.emulator = emulator;
    return options;
}

TEST(EmulatorDriverTest, TimingModelPacesRepliesOnTheGivenClock) {
    using std::chrono::milliseconds;
    testing::ManualClock clock;
    emu::Options options;
    options.clock = &clock;
    options.timing = {.icspKhz = 1000, .linkLatency = milliseconds(1), .realTime = true};
    auto driver = MakeEmulatorDriver(WithEmulator(options));
    ASSERT_EQ(driver->Open(), 0);
    std::uint8_t reply[8];

    // Stop and wait pays the latency on every exchange.
    auto start = clock.now;
    for (const Packet& packet : kRowWrite) {
        ASSERT_EQ(driver->DataWrite(packet.data(), 8), 8);
        ASSERT_EQ(driver->DataRead(reply, 8), 8);
    }
    EXPECT_EQ(clock.now - start, kRowWriteBusy + 7 * milliseconds(1));

    // All packets in flight at once: the latency is paid once.
    start = clock.now;
    for (const Packet& packet : kRowWrite) ASSERT_EQ(driver->DataWrite(packet.data(), 8), 8);
    for (std::size_t i = 0; i < kRowWrite.size(); ++i) ASSERT_EQ(driver->DataRead(reply, 8), 8);
    EXPECT_EQ(clock.now - start, kRowWriteBusy + milliseconds(1));
    EXPECT_EQ(driver->DataRead(reply, 8), 0) << "no reply is owed";

    // Without the timing model the emulator answers at once.
    options.timing = {};
    auto instant = MakeEmulatorDriver(WithEmulator(options));
    ASSERT_EQ(instant->Open(), 0);
    start = clock.now;
    for (const Packet& packet : kRowWrite) {
        ASSERT_EQ(instant->DataWrite(packet.data(), 8), 8);
        ASSERT_EQ(instant->DataRead(reply, 8), 8);
    }
    EXPECT_EQ(clock.now, start);
}

}  // namespace
}  // namespace tamro
