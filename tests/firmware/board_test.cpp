// tamro18-cli over the serial backend against the board simulator, which runs
// the programmer firmware's own binary against a pin-level PIC18.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli/cli.h"
#include "app/cli/programming_commands.h"
#include "images/hex_loader.h"
#include "programming/device.h"
#include "tests/testing/simulated_board.h"

namespace tamro::cli {
namespace {

namespace fs = std::filesystem;
using testing::SimulatedBoard;

const fs::path kFolder =
    fs::temp_directory_path() / ("tamro_firmware_board_" + std::to_string(getpid()));

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Tool(const SimulatedBoard& board, std::vector<std::string> args,
            const std::string& device = "18F452") {
    if (IsProgrammingCommand(args[0])) args.insert(args.end(), {"--device", device});
    CliEnvironment environment;
    environment.driverSetting = board.DriverSetting();
    // The simulator may run slower than a real board on a loaded machine.
    environment.driverOptions.timeout = std::chrono::seconds(20);
    std::ostringstream out, err;
    const int status = RunCli(args, environment, out, err);
    return {status, out.str(), err.str()};
}

// A gpasm program with configuration, ID locations and EEPROM data; empty
// without gpasm.
std::string Assemble(const std::string& processor) {
    fs::create_directories(kFolder);
    const fs::path source = kFolder / (processor + ".asm");
    std::ofstream(source) << "        list p=" << processor << "\n"
                          << "        include <p" << processor << ".inc>\n"
                          << "        __CONFIG _CONFIG2L, 0xF2 & 0x0F\n"
                          << "        __CONFIG _CONFIG4L, 0x81\n"
                          << "        __IDLOCS _IDLOC0, 0x1\n"
                          << "        __IDLOCS _IDLOC5, 0xA\n"
                          << "        org 0\n        goto start\n"
                          << "        org 0x40\nstart:  movlw 0x5A\n        bra start\n"
                          << "        org 0x7FF0\n        db 0x12, 0x34\n"
                          << "        org 0xF00000\n        de 0x11, 0x22, 0x33\n"
                          << "        end\n";
    const fs::path hex = kFolder / (processor + ".hex");
    const std::string command = "cd '" + kFolder.string() + "' && gpasm -q -o '" + hex.string() +
                                "' '" + source.string() + "' > /dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? hex.string() : "";
}

TEST(FirmwareBoard, EveryOperationOfBothGroupsRunsThroughTheFirmwareWithinThePinTiming) {
    for (const auto& [processor, device, option] :
         {std::tuple{"18f452", "18F452", kOption452},
          std::tuple{"18f4520", "18F4520", kOption4520}}) {
        SCOPED_TRACE(device);
        const std::string program = Assemble(processor);
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
        // The program's EEPROM data is its first three bytes; the rest stays erased.
        EXPECT_TRUE(
            std::equal(source.eeprom.begin(), source.eeprom.begin() + 3, cloned.eeprom.begin()));
        EXPECT_EQ(std::count(cloned.eeprom.begin(), cloned.eeprom.end(), 0xFF), 253);
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

}  // namespace
}  // namespace tamro::cli
