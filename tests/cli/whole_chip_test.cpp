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
    return testing::AssembleTestProgram(kFolder, processor);
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

// `device`'s program, assembled for `processor` to fill its memories, is
// written, verified, read back and cloned through a read-back HEX on its own
// emulated target; srec_cat sees the same flash, ID locations and EEPROM in
// the read-back as in the source, the configuration agrees under the device's
// implemented bits, and the checksums agree.
void WriteReadAndClone(const std::string& device, const std::string& processor) {
    SCOPED_TRACE(device);
    const devices::Device* entry = devices::Table().Find(device);
    ASSERT_NE(entry, nullptr);
    const auto flash = static_cast<int>(entry->flashBytes);
    const auto eeprom = static_cast<int>(entry->eepromBytes);
    const fs::path folder = kFolder / device;
    const std::string program = testing::AssembleTestProgram(
        folder, processor, testing::TestProgramMemories{flash, eeprom});
    ASSERT_FALSE(program.empty()) << "gpasm " << processor;
    const fs::path chip = folder / "chip.state";
    const CliRun write = Tool({"write", program}, device, chip);
    ASSERT_EQ(write.status, kExitSuccess) << write.err;
    ASSERT_EQ(Tool({"verify", program}, device, chip).status, kExitSuccess);
    const CliRun id = Tool({"id"}, device, chip);
    EXPECT_NE(id.out.find(device), std::string::npos) << id.out;
    const fs::path readBack = folder / "read.hex";
    const CliRun read = Tool({"read", readBack.string()}, device, chip);
    ASSERT_EQ(read.status, kExitSuccess) << read.err;
    // A device without data EEPROM has none read.
    EXPECT_EQ(read.out.find("EEPROM") == std::string::npos, eeprom == 0) << read.out;

    const unsigned end = static_cast<unsigned>(flash);
    for (const auto& [low, high] :
         {std::pair{0u, end}, std::pair{0x200000u, 0x200008u},
          std::pair{0xF00000u, 0xF00000u + static_cast<unsigned>(eeprom)}}) {
        if (low == high) continue;
        EXPECT_EQ(Region(readBack.string(), low, high), Region(program, low, high))
            << "region " << std::hex << low;
    }
    Images source;
    Images cloned;
    for (Images* images : {&source, &cloned}) {
        images->flashBytes = flash;
        images->eepromBytes = eeprom;
    }
    source.config.fill(0xFF);
    ASSERT_TRUE(HEX_LOAD(program, source).ok);
    ASSERT_TRUE(HEX_LOAD(readBack.string(), cloned).ok);
    const ConfigBytes& mask = entry->configMask;
    for (int i = 0; i < kConfigSize; ++i) {
        if (!source.configPresent[i]) continue;
        EXPECT_EQ(cloned.config[i] & mask[i], source.config[i] & mask[i]) << i;
    }
    // The checksum of the file is the checksum of the chip read back.
    const CliRun hex = Tool({"hex", program}, device);
    const std::string checksum = "checksum " + ChecksumText(ImageChecksum(cloned, mask));
    EXPECT_NE(hex.out.find(checksum), std::string::npos) << hex.out << hex.err << checksum;
    EXPECT_NE(read.out.find(checksum), std::string::npos) << read.out;

    // The read-back written to an erased chip reads back as the same file.
    const fs::path second = folder / "second.state";
    ASSERT_EQ(Tool({"write", readBack.string()}, device, second).status, kExitSuccess);
    const fs::path again = folder / "again.hex";
    ASSERT_EQ(Tool({"read", again.string()}, device, second).status, kExitSuccess);
    EXPECT_EQ(FileText(again), FileText(readBack));
}

TEST_F(WholeChipTest, AReadBackHexClonesTheChipInEveryRegion) {
    if (Assemble("18f452").empty()) GTEST_SKIP() << "gpasm is not available";
    WriteReadAndClone("18F452", "18f452");
    WriteReadAndClone("18F4520", "18f4520");
}

// Devices of the table beyond the two group devices, one for each write
// buffer and memory size and one added by a user's file at run time: each is
// written to its whole size, read back and cloned on its own emulated target,
// and `config` names what a file sets.
TEST_F(WholeChipTest, EveryServedDeviceIsWrittenAndItsConfigurationReadsByName) {
    const std::string program = Assemble("18f452");
    if (program.empty()) GTEST_SKIP() << "gpasm is not available";
    const devices::DeviceTable before = devices::Table();
    devices::DeviceTable extended = before;
    ASSERT_FALSE(extended.Read("[18F4510 : 18F2510]\nid = 10A0\n", "user.devices"));
    devices::InstallTable(extended);
    const struct {
        const char* device;
        const char* processor;  // gpasm's
    } served[] = {
        {"18F258", "18f258"},    // the 18F452 group, 8-byte buffer
        {"18F2321", "18f2321"},  // 8-byte buffer, 8 KB
        {"18F4450", "18f4450"},  // 16-byte buffer, no EEPROM
        {"18F2550", "18f2550"},  // 32-byte buffer
        {"18F4620", "18f4620"},  // 64-byte buffer, 64 KB, 1 KB EEPROM
        {"18F4510", "18f4510"},  // the user's entry
    };
    for (const auto& row : served) WriteReadAndClone(row.device, row.processor);

    const CliRun config = Tool({"config", program}, "18F452");
    EXPECT_EQ(config.status, kExitSuccess) << config.err;
    for (const char* line : {"300002 PWRT     = ON ", "300006 LVP      = OFF", "300003 WDT "}) {
        EXPECT_NE(config.out.find(line), std::string::npos) << line << "\n" << config.out;
    }
    EXPECT_EQ(Tool({"write", program}, "18F4320").status, kExitUsage);  // identified only
    // EEPROM data for a device without EEPROM is refused at the load, before
    // anything reaches the chip.
    const std::string withEeprom = testing::AssembleTestProgram(
        kFolder / "18F2420", "18f2420", testing::TestProgramMemories{16384, 256});
    const CliRun noEeprom = Tool({"write", withEeprom}, "18F2410", kFolder / "no-eeprom.state");
    EXPECT_EQ(noEeprom.status, kExitFile);
    EXPECT_NE(noEeprom.err.find("F00000h is data EEPROM, and the device has none"),
              std::string::npos)
        << noEeprom.err;
    devices::InstallTable(before);
}

}  // namespace
}  // namespace tamro::cli
