// tamro18-cli over the emulated programmer with its chip kept in a state
// file: the exit statuses, and a gpasm program with configuration, ID
// locations and EEPROM data cloned through a read-back HEX.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli/cli.h"
#include "app/cli/cli_failure.h"
#include "devices/device_table.h"
#include "images/checksum.h"
#include "images/hex_loader.h"
#include "programming/device.h"
#include "tests/testing/test_program.h"

namespace tamro::cli {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status;
    std::string out, err;
};

// One folder per test process: ctest runs the tests of this file side by side.
const fs::path kFolder =
    fs::temp_directory_path() / ("tamro_cli_whole_chip_" + std::to_string(getpid()));

// The tool on an emulated `device` whose chip lives in `state` (a fresh one
// is erased); `target` false takes the target away.
CliRun Tool(std::vector<std::string> args, const std::string& device = "18F452",
            const fs::path& state = kFolder / "chip.state", bool target = true) {
    CliEnvironment environment;
    environment.driverOptions.emulator.stateFile = state.string();
    environment.driverOptions.emulator.device = emu::Device{device};
    environment.driverOptions.emulator.targetAttached = target;
    if (std::find(args.begin(), args.end(), "--driver") == args.end()) {
        args.insert(args.end(), {"--driver", "emulator"});
    }
    args.insert(args.end(), {"--device", device});
    std::ostringstream out, err;
    const int status = RunCli(args, environment, out, err);
    return {status, out.str(), err.str()};
}

std::string FileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// A program with configuration, ID locations and EEPROM data, assembled by
// gpasm; empty when gpasm is not installed.
std::string Assemble(const std::string& processor) {
    return testing::AssembleTestProgram(kFolder, processor,
                                        "        org 0xF000FE\n        de 0xEE\n");
}

// One region of an Intel HEX file as srec_cat reads it, erased bytes filled.
std::string Region(const std::string& hex, unsigned low, unsigned high) {
    const fs::path out = kFolder / "region.bin";
    const std::string command = "srec_cat '" + hex + "' -intel -crop " + std::to_string(low) + " " +
                                std::to_string(high) + " -fill 0xFF " + std::to_string(low) + " " +
                                std::to_string(high) + " -offset -" + std::to_string(low) +
                                " -o '" + out.string() + "' -binary";
    if (std::system(command.c_str()) != 0) return "srec_cat failed";
    return FileText(out);
}

class WholeChipTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::remove_all(kFolder);
        fs::create_directories(kFolder);
    }
};

TEST_F(WholeChipTest, EachExitStatusHasItsCause) {
    const std::string program = Assemble("18f452");
    if (program.empty()) GTEST_SKIP() << "gpasm is not available";
    const fs::path written = kFolder / "written.state";
    const CliRun first = Tool({"write", program}, "18F452", written);
    ASSERT_EQ(first.status, kExitSuccess) << first.err;
    const struct {
        const char* what;
        std::vector<std::string> args;
        fs::path state;
        bool target;
        int status;
    } cases[] = {
        {"success", {"verify", program}, written, true, kExitSuccess},
        {"blank after erase", {"blank-check"}, kFolder / "erased.state", true, kExitSuccess},
        {"usage", {"write"}, written, true, kExitUsage},
        {"--last beyond 7FFF", {"read", "x.hex", "--last", "8000"}, written, true, kExitUsage},
        {"--last not hexadecimal", {"read", "x.hex", "--last", "1G"}, written, true, kExitUsage},
        {"file", {"verify", (kFolder / "missing.hex").string()}, written, true, kExitFile},
        {"unwritable output", {"read", "/nonexistent/x.hex"}, written, true, kExitFile},
        {"link", {"id", "--driver", "nosuch:thing"}, written, true, kExitLink},
        {"no target", {"erase"}, written, false, kExitDeviceRefused},
        {"verify difference",
         {"verify", program},
         kFolder / "blank.state",
         true,
         kExitVerifyDifference},
        {"not blank", {"blank-check"}, written, true, kExitNotBlank},
    };
    for (const auto& c : cases) {
        const CliRun run = Tool(c.args, "18F452", c.state, c.target);
        EXPECT_EQ(run.status, c.status) << c.what << ": " << run.err;
    }
    // An output file that cannot be written is refused before the link opens.
    EXPECT_EQ(Tool({"read", "/nonexistent/x.hex"}).out, "");

    const CliRun difference = Tool({"verify", program}, "18F452", kFolder / "blank.state");
    EXPECT_TRUE(difference.err.starts_with("verify: ")) << difference.err;
    // The count, then the first ten differences.
    EXPECT_EQ(std::count(difference.err.begin(), difference.err.end(), '\n'), 11);
    EXPECT_NE(difference.err.find("\n  flash 000000h: file "), std::string::npos);

    const CliRun notBlank = Tool({"blank-check"}, "18F452", written);
    EXPECT_EQ(notBlank.err, "not blank: flash 000000h\n");
    EXPECT_NE(notBlank.out.find("flash not blank from 000000h\nID locations not blank from "
                                "200000h\nconfiguration not blank from 300001h\nEEPROM not "
                                "blank from F00000h\n"),
              std::string::npos)
        << notBlank.out;

    const CliRun help = Tool({"--help"});
    EXPECT_EQ(help.status, kExitSuccess);
    EXPECT_NE(help.out.find("blank-check"), std::string::npos);
    const CliRun version = Tool({"--version"});
    EXPECT_EQ(version.status, kExitSuccess);
    EXPECT_TRUE(version.out.starts_with("tamro18-cli ")) << version.out;
}

TEST_F(WholeChipTest, AReadBackHexClonesTheChipInEveryRegion) {
    for (const auto& [processor, device] :
         {std::pair{"18f452", "18F452"}, std::pair{"18f4520", "18F4520"}}) {
        const std::string program = Assemble(processor);
        if (program.empty()) GTEST_SKIP() << "gpasm is not available";
        const fs::path chip = kFolder / (std::string(processor) + ".state");
        ASSERT_EQ(Tool({"write", program}, device, chip).status, kExitSuccess) << device;
        ASSERT_EQ(Tool({"verify", program}, device, chip).status, kExitSuccess) << device;
        const fs::path readBack = kFolder / (std::string(processor) + "-read.hex");
        const CliRun read = Tool({"read", readBack.string()}, device, chip);
        ASSERT_EQ(read.status, kExitSuccess) << device << read.err;

        // srec_cat sees the same flash, ID locations and EEPROM bytes.
        for (const auto& [low, high] : {std::pair{0u, 0x8000u}, std::pair{0x200000u, 0x200008u},
                                        std::pair{0xF00000u, 0xF00100u}}) {
            EXPECT_EQ(Region(readBack.string(), low, high), Region(program, low, high))
                << device << " region " << std::hex << low;
        }
        // The configuration under the device's implemented bits.
        Images source;
        Images cloned;
        source.config.fill(0xFF);
        ASSERT_TRUE(HEX_LOAD(program, source).ok);
        ASSERT_TRUE(HEX_LOAD(readBack.string(), cloned).ok);
        const ConfigBytes mask =
            GroupForOption(std::string(device) == "18F452" ? kOption452 : kOption4520).configMask;
        for (int i = 0; i < kConfigSize; ++i) {
            if (!source.configPresent[i]) continue;
            EXPECT_EQ(cloned.config[i] & mask[i], source.config[i] & mask[i]) << device << i;
        }
        // The checksum of the file is the checksum of the chip read back.
        const CliRun hex = Tool({"hex", program}, device);
        const std::string checksum = "checksum " + ChecksumText(ImageChecksum(cloned, mask));
        EXPECT_NE(hex.out.find(checksum), std::string::npos) << device << hex.out << checksum;
        EXPECT_NE(read.out.find(checksum), std::string::npos) << read.out;

        // The read-back written to an erased chip reads back as the same file.
        const fs::path second = kFolder / (std::string(processor) + "-second.state");
        ASSERT_EQ(Tool({"write", readBack.string()}, device, second).status, kExitSuccess);
        const fs::path again = kFolder / (std::string(processor) + "-again.hex");
        ASSERT_EQ(Tool({"read", again.string()}, device, second).status, kExitSuccess);
        EXPECT_EQ(FileText(again), FileText(readBack)) << device;
    }
}

// Devices of the table beyond the two group devices, one of them added by a
// user's file at run time: each is written and verified on its own emulated
// target, and `config` names what the file sets.
TEST_F(WholeChipTest, EveryServedDeviceIsWrittenAndItsConfigurationReadsByName) {
    const std::string program = Assemble("18f452");
    if (program.empty()) GTEST_SKIP() << "gpasm is not available";
    const devices::DeviceTable before = devices::Table();
    devices::DeviceTable extended = before;
    ASSERT_FALSE(extended.Read("[18F4510 : 18F2510]\nid = 10A0\n", "user.devices"));
    devices::InstallTable(extended);
    for (const char* device : {"18F452", "18F258", "18F4520", "18F2550"}) {
        const fs::path state = kFolder / (std::string(device) + ".state");
        const CliRun write = Tool({"write", program}, device, state);
        EXPECT_EQ(write.status, kExitSuccess) << device << ": " << write.err;
        EXPECT_EQ(Tool({"verify", program}, device, state).status, kExitSuccess) << device;
        const CliRun id = Tool({"id"}, device, state);
        EXPECT_NE(id.out.find(device), std::string::npos) << id.out;
    }
    // The user's device is known to the tool and to the emulated target alike.
    const CliRun added = Tool({"id"}, "18F4510", kFolder / "added.state");
    EXPECT_EQ(added.status, kExitSuccess) << added.err;
    EXPECT_NE(added.out.find("18F4510"), std::string::npos) << added.out;
    const CliRun config = Tool({"config", program}, "18F452");
    EXPECT_EQ(config.status, kExitSuccess) << config.err;
    for (const char* line : {"300002 PWRT     = ON ", "300006 LVP      = OFF", "300003 WDT "}) {
        EXPECT_NE(config.out.find(line), std::string::npos) << line << "\n" << config.out;
    }
    EXPECT_EQ(Tool({"write", program}, "18F4320").status, kExitUsage);  // identified only
    devices::InstallTable(before);
}

}  // namespace
}  // namespace tamro::cli
