#include "programming/cli_commands.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/programming/operations_support.h"

namespace tamro {
namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun RunCli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunProgrammingCommand(
        args, [](const std::string& path, Images& images) { return HEX_LOAD(path, images); }, out,
        err);
    return {status, out.str(), err.str()};
}

TEST(CliCommandsTest, BadCommandLinesEndWithOneReasonLine) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"write"},
                                                                  {"erase", "x.hex"},
                                                                  {"id", "--device", "16F84"},
                                                                  {"id", "--bogus"},
                                                                  {"read", "out.hex", "--last"}}) {
        const CliRun run = RunCli(args);
        EXPECT_NE(run.status, 0) << args[0];
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    const CliRun missing = RunCli({"write", "/nonexistent/file.hex", "--driver", "emulator"});
    EXPECT_NE(missing.status, 0);
    EXPECT_EQ(missing.err, "file error: /nonexistent/file.hex: cannot open the file\n");
    const CliRun driver = RunCli({"id", "--driver", "nosuch:thing"});
    EXPECT_NE(driver.status, 0);
    EXPECT_TRUE(driver.err.starts_with("link failure")) << driver.err;
}

TEST(CliCommandsTest, TraceHasOneLinePerExchangeAndCountEndsTheOutput) {
    const auto folder = std::filesystem::temp_directory_path();
    const auto trace = folder / "tamro_cli_trace.txt";
    setenv("TAMRO18_EMULATOR_DEVICE", "18F4520", 1);
    const CliRun run =
        RunCli({"erase", "--device", "18F4520", "--driver", "emulator", "--trace", trace.string()});
    unsetenv("TAMRO18_EMULATOR_DEVICE");
    EXPECT_EQ(run.status, 0) << run.err;
    // The device check (supply on, the seven packets of the ID read, supply
    // off), then the erase's 14.
    EXPECT_TRUE(run.out.ends_with("23 exchanges\n")) << run.out;
    std::ifstream file(trace);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 23u);
    EXPECT_EQ(lines[0].substr(0, 27), "3A 01 00 00 00 00 00 00 -> ");
    EXPECT_EQ(lines[0].size(), 23u + 4 + 23);
    EXPECT_EQ(lines[5].substr(0, 23), "22 09 02 00 00 00 00 00");
    EXPECT_EQ(lines[8].substr(0, 23), "3A 00 00 00 00 00 00 00");
    EXPECT_EQ(lines[9 + 5].substr(0, 23), "20 0C 0F 0F 00 00 00 00");
}

TEST(CliCommandsTest, ReadWritesAHexFileTheLoaderReadsBack) {
    const auto out = std::filesystem::temp_directory_path() / "tamro_cli_read.hex";
    const CliRun run = RunCli({"read", out.string(), "--last", "1F", "--driver", "emulator"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.ends_with(std::to_string(2 + 3 + 1 + 8 + 2 + 2) + " exchanges\n"));
    Images reloaded;
    ASSERT_TRUE(testing::LoadHexForTest(out.string(), reloaded));
    const auto eeprom = std::filesystem::temp_directory_path() / "tamro_cli_eeprom.bin";
    const CliRun eepromRun = RunCli({"read-eeprom", eeprom.string(), "--driver", "emulator"});
    ASSERT_EQ(eepromRun.status, 0) << eepromRun.err;
    EXPECT_EQ(std::filesystem::file_size(eeprom), 256u);
}

}  // namespace
}  // namespace tamro
