// tamro18-cli over the serial backend against the board simulator, which runs
// the programmer firmware's own binary against a pin-level PIC18.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "app/cli/cli.h"
#include "app/cli/programming_commands.h"
#include "images/hex_loader.h"
#include "link/driver_table.h"
#include "programming/device.h"
#include "tests/testing/simulated_board.h"
#include "tests/testing/test_program.h"

namespace tamro::cli {
namespace {

namespace fs = std::filesystem;
using testing::SimulatedBoard;
using Block = std::array<std::uint8_t, 8>;

const fs::path kFolder =
    fs::temp_directory_path() / ("tamro_firmware_board_" + std::to_string(getpid()));

// The firmware build with the shortened programming hold, for the simulator's --firmware.
std::string ShortP9FirmwarePath() {
    const fs::path sim = testing::AppProgramPath("tamro18-firmware-sim");
    return (sim.parent_path().parent_path() / "firmware" / "tamro18-firmware-short-p9.elf")
        .string();
}

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Tool(const SimulatedBoard& board, std::vector<std::string> args,
            const std::string& device = "18F452") {
    args.insert(args.end(), {"--device", device});
    CliEnvironment environment;
    environment.driverSetting = board.DriverSetting();
    // The simulator may run slower than a real board on a loaded machine.
    environment.driverOptions.timeout = std::chrono::seconds(20);
    std::ostringstream out, err;
    const int status = RunCli(args, environment, out, err);
    return {status, out.str(), err.str()};
}

TEST(FirmwareBoard, EveryOperationOfBothGroupsRunsThroughTheFirmwareWithinThePinTiming) {
    for (const auto& [processor, device, option] :
         {std::tuple{"18f452", "18F452", kOption452},
          std::tuple{"18f4520", "18F4520", kOption4520}}) {
        SCOPED_TRACE(device);
        const std::string program = testing::AssembleTestProgram(kFolder, processor);
        if (program.empty()) GTEST_SKIP() << "gpasm is not available";
        SimulatedBoard board({"--device", device});
        ASSERT_TRUE(board.Started());

        EXPECT_NE(Tool(board, {"id"}, device).out.find(device), std::string::npos);
        ASSERT_EQ(Tool(board, {"erase"}, device).status, kExitSuccess);
        EXPECT_EQ(Tool(board, {"blank-check"}, device).status, kExitSuccess);
        const CliRun write = Tool(board, {"write", program}, device);
        ASSERT_EQ(write.status, kExitSuccess) << write.err;
        EXPECT_EQ(Tool(board, {"verify", program}, device).status, kExitSuccess);
        const fs::path readBack = kFolder / (std::string(processor) + "-read.hex");
        ASSERT_EQ(Tool(board, {"read", readBack.string()}, device).status, kExitSuccess);
        EXPECT_EQ(Tool(board, {"blank-check"}, device).status, kExitNotBlank);
        const testing::BoardReport report = board.Finish();

        // The read-back holds the chip: flash, ID locations, EEPROM and the
        // configuration's implemented bits.
        Images source, cloned;
        source.config.fill(0xFF);
        ASSERT_TRUE(HEX_LOAD(program, source).ok);
        ASSERT_TRUE(HEX_LOAD(readBack.string(), cloned).ok);
        EXPECT_EQ(cloned.program, source.program);
        EXPECT_EQ(cloned.id, source.id);
        // The program's EEPROM data is its first three bytes and its last; the rest stays erased.
        EXPECT_TRUE(
            std::equal(source.eeprom.begin(), source.eeprom.begin() + 3, cloned.eeprom.begin()));
        EXPECT_EQ(cloned.eeprom[255], source.eeprom[255]);
        EXPECT_EQ(std::count(cloned.eeprom.begin(), cloned.eeprom.begin() + 256, 0xFF), 252);
        const ConfigBytes mask = GroupForOption(option).configMask;
        for (int i = 0; i < kConfigSize; ++i) {
            if (source.configPresent[i]) {
                EXPECT_EQ(cloned.config[i] & mask[i], source.config[i] & mask[i]) << i;
            }
        }
        EXPECT_EQ(report.violations, 0) << ::testing::PrintToString(report.lines);
    }
    fs::remove_all(kFolder);
}

TEST(FirmwareBoard, TheInstrumentsReadTheBoardsInputs) {
    SimulatedBoard board(
        {"--vin", "7.5", "--sab", "3.3", "--signal-hz", "1000", "--signal-duty", "0.25"});
    ASSERT_TRUE(board.Started());
    std::string capture;
    while (capture.size() < 480) capture += "1110000000";  // a quarter high, 0.1 ms samples
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"volts", "--channel", "vin"}, "7.5 V\n"},
        {{"volts", "--channel", "sab"}, "3.3 V\n"},
        {{"volts", "--channel", "vpp"}, "0.0 V\n"},
        {{"freq", "--gate", "1s"}, "1000 Hz\n"},
        {{"count", "reset"}, ""},
        {{"count", "read"}, "0\n"},
        {{"capture", "--sample-time", "1"}, capture + "\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = Tool(board, c.args);
        EXPECT_EQ(run.status, kExitSuccess) << c.args[0] << run.err;
        EXPECT_EQ(run.out, c.out) << c.args[0] << " " << c.args.back();
    }
    EXPECT_EQ(board.Finish().violations, 0);
}

TEST(FirmwareBoard, TheBoardCatchesAShortProgrammingHoldAndAHostThatFallsSilent) {
    // A firmware that holds the programming NOP half of P9 (a row whose wait
    // packet comes late is held longer).
    {
        const std::string program = testing::AssembleTestProgram(kFolder, "18f4520");
        if (program.empty()) GTEST_SKIP() << "gpasm is not available";
        SimulatedBoard board({"--device", "18F4520", "--firmware", ShortP9FirmwarePath()});
        ASSERT_TRUE(board.Started());
        Tool(board, {"write", program}, "18F4520");
        testing::BoardReport report = board.Finish();
        EXPECT_GT(report.rules["P9"], 100) << ::testing::PrintToString(report.lines);
        EXPECT_EQ(report.violations, report.rules["P9"]);
    }
    // The watchdog: two seconds after the last packet, Vpp 0 V, supply and LED off.
    SimulatedBoard board({"--power-log"});
    ASSERT_TRUE(board.Started());
    auto driver = MakeDriver(board.DriverSetting(1));
    ASSERT_EQ(driver->Open(), 0);
    // The start of a WRITE, then silence.
    using protocol::Code, protocol::Command;
    for (Block packet :
         {Block{Code(Command::Led), 1}, Block{Code(Command::TargetSupply), 1},
          Block{Code(Command::VppLevel), Code(protocol::VppLevel::ZeroVolts)},
          Block{Code(Command::LineMode), Code(protocol::LineMode::Mode1)},
          Block{Code(Command::VppLevel), Code(protocol::VppLevel::Programming)},
          Block{Code(Command::SetTablePointer), 0, 0, 0},
          Block{Code(Command::Icsp), protocol::icsp::kTableWritePostIncrement2, 0x12, 0x34}}) {
        ASSERT_EQ(driver->DataWrite(packet.data(), 8), 8);
        ASSERT_EQ(driver->DataRead(packet.data(), 8), 8);
    }
    std::string lines;  // the supply goes on and Vpp to programming level first
    double off = -1, lastByte = -1;
    while (off < 0) {
        const std::string line = board.NextLine(std::chrono::seconds(20));
        ASSERT_FALSE(line.empty()) << lines;
        lines += line + "\n";
        if (line.find("Vpp 0 V, supply off, LED off") != std::string::npos) {
            std::sscanf(line.c_str(), "%lf s: %*[^;]; last host byte at %lf s;", &off, &lastByte);
        }
    }
    EXPECT_GE(off - lastByte, 1.998);  // the firmware counts whole milliseconds
    EXPECT_LT(off - lastByte, 2.01);
    EXPECT_NE(lines.find("Vpp 12 V, supply on, LED on"), std::string::npos);
    driver->Close();
    EXPECT_EQ(board.Finish().violations, 0);
}

}  // namespace
}  // namespace tamro::cli
