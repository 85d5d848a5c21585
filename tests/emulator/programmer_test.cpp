#include "emulator/programmer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "emulator/pic18_target.h"
#include "tests/emulator/host_packets.h"

namespace tamro::emu {
namespace {

Options MemoryOnly(Device device = Device::Pic18F452) {
    Options options;
    options.device = device;
    return options;
}

// The device-ID read as the panel's start-up sends it; returns the ID word.
int StartUpDeviceId(Programmer& programmer) {
    Send(programmer, Command::VppLevel, Code(VppLevel::ZeroVolts));
    Send(programmer, Command::LineMode, Code(LineMode::Mode1));
    Send(programmer, Command::VppLevel, Code(VppLevel::Programming));
    Send(programmer, Command::SetTablePointer, address::kDeviceIdUpper, address::kDeviceIdHigh,
         address::kDeviceIdLow);
    const Block id = Send(programmer, Command::TableRead, icsp::kTableReadPostIncrement, 2);
    Send(programmer, Command::VppLevel, Code(VppLevel::FiveVolts));
    Send(programmer, Command::LineMode, Code(LineMode::Mode1));
    return id[1] << 8 | id[0];
}

TEST(ProgrammerTest, IdentifiesAsTheEmulatorWithTwoVersionDigits) {
    Programmer programmer(MemoryOnly());
    const Block reply = Send(programmer, Command::Identify);
    const std::string text(reply.begin(), reply.end());
    EXPECT_EQ(text, "EMUL1830");
    EXPECT_TRUE(std::isdigit(reply[6]) && std::isdigit(reply[7]));
}

TEST(ProgrammerTest, StartUpReadsTheEmulatedDeviceId) {
    Programmer pic452(MemoryOnly(Device::Pic18F452));
    EXPECT_EQ(StartUpDeviceId(pic452), 0x0427);
    Programmer pic4520(MemoryOnly(Device::Pic18F4520));
    EXPECT_EQ(StartUpDeviceId(pic4520), 0x1087);

    Options revision5 = MemoryOnly(Device::Pic18F4520);
    revision5.revision = 5;
    Programmer withRevision(revision5);
    EXPECT_EQ(StartUpDeviceId(withRevision), 0x1085);
}

TEST(ProgrammerTest, KeepsSupplyLedVppAndLineMode) {
    Programmer programmer(MemoryOnly());
    EXPECT_TRUE(programmer.SupplyOn());
    Send(programmer, Command::TargetSupply, 0);
    Send(programmer, Command::Led, 1);
    Send(programmer, Command::VppLevel, Code(VppLevel::FiveVolts));
    Send(programmer, Command::LineMode, Code(LineMode::Mode2));
    EXPECT_FALSE(programmer.SupplyOn());
    EXPECT_TRUE(programmer.LedOn());
    EXPECT_EQ(programmer.VppLevel(), 1);
    EXPECT_EQ(programmer.LineMode(), 2);
}

TEST(ProgrammerTest, AnalogChannelZeroFollowsTheVppLevel) {
    Programmer programmer(MemoryOnly());
    int previous = -1;
    for (std::uint8_t level = 0; level <= 2; ++level) {
        Send(programmer, Command::VppLevel, level);
        const Block reply = Send(programmer, Command::AnalogRead, Code(AnalogChannel::Vpp));
        const int count = reply[0] << 8 | reply[1];
        EXPECT_GT(count, previous);
        previous = count;
        // count / 50 * 0.0196 V at the converter, times the 4.4 divider.
        const double volts = count / 50.0 * 0.0196 * 4.4;
        EXPECT_NEAR(volts, level == 0 ? 0.0 : level == 1 ? 5.0 : 13.0, 0.05);
    }
}

TEST(ProgrammerTest, UnknownCommandsAnswerZerosAndAreCounted) {
    Programmer programmer(MemoryOnly());
    constexpr std::uint8_t kNoSuchCommand = 99;
    EXPECT_EQ(programmer.Exchange(Block{kNoSuchCommand, 1, 2, 3, 4, 5, 6, 7}), Block{});
    EXPECT_EQ(programmer.UnknownCommands(), 1u);
    ASSERT_FALSE(programmer.Log().empty());
    EXPECT_NE(programmer.Log().back().find("99"), std::string::npos);
}

TEST(ProgrammerTest, NoTargetAttachedReadsZeros) {
    Options options = MemoryOnly();
    options.targetAttached = false;
    Programmer programmer(options);
    EXPECT_EQ(StartUpDeviceId(programmer), 0);
}

}  // namespace
}  // namespace tamro::emu
