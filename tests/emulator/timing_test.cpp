#include "emulator/timing.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/emulator/host_packets.h"

namespace tamro::emu {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using TimePoint = Timeline::TimePoint;

TEST(TimingTest, TargetTimeOfEachCommand) {
    struct Case {
        Block packet;
        Device device;
        int icspKhz;
        nanoseconds expected;
    };
    const std::vector<Case> cases = {
        {HostPacket(Command::Icsp, icsp::kTableWritePostIncrement2, 0x12, 0x34), Device::Pic18F452,
         1000, microseconds(20)},
        {CorePacket(instruction::kBsfEecon1Eepgd), Device::Pic18F452, 10000, microseconds(2)},
        {HostPacket(Command::SetTablePointer, 0, 0x01, 0x00), Device::Pic18F452, 1000,
         microseconds(120)},
        {HostPacket(Command::TableRead, icsp::kTableReadPostIncrement, 8), Device::Pic18F4520, 1000,
         microseconds(160)},
        {HostPacket(Command::TableRead, icsp::kTableReadPostIncrement, 2), Device::Pic18F4520, 500,
         microseconds(80)},
        {HostPacket(Command::TableRead, icsp::kTableReadPostIncrement, 200), Device::Pic18F452,
         1000, microseconds(160)},  // at most 8 bytes
        // A programming NOP discharges for P10 after its hold.
        {HostPacket(Command::ProgrammingNop), Device::Pic18F452, 1000, microseconds(25)},
        {HostPacket(Command::ProgrammingNop), Device::Pic18F4520, 1000, microseconds(120)},
        {HostPacket(Command::ProgrammingWait, kRowWriteWait), Device::Pic18F452, 1000,
         milliseconds(1)},
        {HostPacket(Command::ProgrammingWait, kEraseWait), Device::Pic18F4520, 10000,
         milliseconds(10)},
        // The programmer's own commands do not reach the target.
        {HostPacket(Command::Identify), Device::Pic18F452, 1000, nanoseconds(0)},
        {HostPacket(Command::TargetSupply, 1), Device::Pic18F452, 1000, nanoseconds(0)},
        {HostPacket(Command::VppLevel, Code(VppLevel::Programming)), Device::Pic18F4520, 1000,
         nanoseconds(0)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TargetTime(c.packet, c.device, c.icspKhz), c.expected)
            << "command " << int(c.packet[0]) << " at " << c.icspKhz << " kHz";
    }
}

// Packets sent back to back: the firmware serves them in order while the
// replies travel, so the link latency is paid once, not per packet.
TEST(TimingTest, LatencyIsADelayLineInFrontOfAnInOrderFirmware) {
    Timeline timeline({.icspKhz = 1000, .linkLatency = milliseconds(1), .realTime = true},
                      Device::Pic18F452);
    const TimePoint t0{};
    const Block tableWrite = HostPacket(Command::Icsp, icsp::kTableWritePostIncrement2, 0, 0);
    EXPECT_EQ(timeline.Accept(tableWrite, t0), t0 + microseconds(20) + milliseconds(1));
    EXPECT_EQ(timeline.Accept(tableWrite, t0 + microseconds(1)),
              t0 + microseconds(40) + milliseconds(1));
    EXPECT_EQ(
        timeline.Accept(HostPacket(Command::ProgrammingWait, kRowWriteWait), t0 + microseconds(2)),
        t0 + microseconds(1040) + milliseconds(1));
    // A packet that finds the firmware idle is served at once.
    const TimePoint later = t0 + milliseconds(5);
    EXPECT_EQ(timeline.Accept(tableWrite, later), later + microseconds(20) + milliseconds(1));

    const auto operation = timeline.Finish();
    ASSERT_TRUE(operation);
    EXPECT_EQ(operation->packets, 4u);
    EXPECT_EQ(operation->targetBusy, microseconds(1060));
    EXPECT_EQ(operation->wall, milliseconds(5) + microseconds(20) + milliseconds(1));
}

TEST(TimingTest, WithoutRealTimeTheTargetTimeIsOnlyCounted) {
    Timeline timeline({.icspKhz = 1000, .linkLatency = microseconds(300), .realTime = false},
                      Device::Pic18F4520);
    const TimePoint t0{};
    EXPECT_EQ(timeline.Accept(HostPacket(Command::ProgrammingWait, kEraseWait), t0),
              t0 + microseconds(300));
    EXPECT_EQ(timeline.Accept(HostPacket(Command::SetTablePointer), t0 + microseconds(400)),
              t0 + microseconds(700));
    const auto operation = timeline.Finish();
    ASSERT_TRUE(operation);
    EXPECT_EQ(operation->targetBusy, milliseconds(10) + microseconds(120));
}

TEST(TimingTest, APauseAfterTheLastReplyEndsAnOperation) {
    Timeline timeline({.icspKhz = 1000, .linkLatency = milliseconds(1), .realTime = true},
                      Device::Pic18F452);
    const TimePoint t0{};
    EXPECT_FALSE(timeline.FinishIfIdle(t0));
    const TimePoint firstReply = timeline.Accept(HostPacket(Command::Icsp), t0);
    const TimePoint secondReply =
        timeline.Accept(HostPacket(Command::Icsp), firstReply + kOperationGap - microseconds(1));
    EXPECT_FALSE(timeline.TakeFinished()) << "a shorter pause belongs to the operation";

    EXPECT_FALSE(timeline.FinishIfIdle(secondReply + kOperationGap - microseconds(1)));
    timeline.Accept(HostPacket(Command::ProgrammingWait, kRowWriteWait),
                    secondReply + kOperationGap);
    const auto first = timeline.TakeFinished();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->packets, 2u);
    EXPECT_EQ(first->targetBusy, microseconds(40));
    EXPECT_FALSE(timeline.TakeFinished()) << "taken once";

    const TimePoint thirdReply = secondReply + kOperationGap + milliseconds(2);
    EXPECT_FALSE(timeline.FinishIfIdle(thirdReply + kOperationGap - microseconds(1)));
    const auto second = timeline.FinishIfIdle(thirdReply + kOperationGap);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->packets, 1u);
    EXPECT_EQ(second->targetBusy, milliseconds(1));
    EXPECT_FALSE(timeline.Finish());
    EXPECT_EQ(OperationTimingText(*first),
              "operation: 2 packets, target busy 0.000 s, wall 0.502 s");
}

}  // namespace
}  // namespace tamro::emu
