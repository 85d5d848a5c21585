#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "programming/cli_commands.h"
#include "programming/hex_writer.h"
#include "tests/programming/operations_support.h"

namespace tamro {
namespace {

TEST(HexWriterTest, RecordsChecksumsAndConfigurationSection) {
    std::array<std::uint8_t, kProgramBytes> program;
    program.fill(0xFF);
    program[0] = 0x80;
    program[1] = 0xEF;
    program[0x20] = 0x12;
    ConfigBytes config{0x00, 0x22, 0x0F, 0x0E, 0x00, 0x01, 0x81,
                       0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
    EXPECT_EQ(IntelHexText(program, 0x3FFF, config),
              ":020000040000FA\n"
              ":1000000080EFFFFFFFFFFFFFFFFFFFFFFFFFFFFF8F\n"
              ":1000200012FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFCD\n"
              ":020000040030CA\n"
              ":0E00000000220F0E000181000FC00FE00F4024\n"
              ":00000001FF\n");
    // The last record is cut at the last word asked for; nothing past 3FFFh.
    EXPECT_EQ(IntelHexText(program, 0x10, std::nullopt),
              ":020000040000FA\n"
              ":1000000080EFFFFFFFFFFFFFFFFFFFFFFFFFFFFF8F\n"
              ":0200200012FFCD\n"
              ":00000001FF\n");
    EXPECT_EQ(IntelHexText(program, 0x7FFF), IntelHexText(program, 0x3FFF));
}

TEST(HexWriterTest, SavedImageLoadsBackIdentically) {
    Images original;
    for (int i = 0; i < kProgramBytes; ++i) original.program[i] = static_cast<std::uint8_t>(i * 13);
    for (int i = 0x2000; i < 0x2100; ++i) original.program[i] = 0xFF;
    const auto path = std::filesystem::temp_directory_path() / "tamro_hex_writer_test.hex";
    ASSERT_TRUE(WriteIntelHexFile(path.string(), original.program, kLastProgramWord, std::nullopt,
                                  nullptr));
    Images reloaded;
    ASSERT_TRUE(testing::LoadHexForTest(path.string(), reloaded));
    EXPECT_EQ(reloaded.program, original.program);
    std::string error;
    EXPECT_FALSE(
        WriteIntelHexFile("/nonexistent-folder/x.hex", original.program, 3, std::nullopt, &error));
    EXPECT_FALSE(error.empty());
}

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
