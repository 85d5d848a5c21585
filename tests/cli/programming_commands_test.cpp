#include "app/cli/programming_commands.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli/cli.h"
#include "images/hex_loader.h"

namespace tamro::cli {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status;
    std::string out, err;
};

// The tool as its program runs it, over `environment` (no stored panel settings by default).
CliRun RunCli(const std::vector<std::string>& args, const CliEnvironment& environment = {}) {
    std::ostringstream out, err;
    const int status = tamro::cli::RunCli(args, environment, out, err);
    return {status, out.str(), err.str()};
}

TEST(CliCommandsTest, BadCommandLinesEndWithOneReasonLine) {
    struct Case {
        std::vector<std::string> args;
        std::string reason;
    };
    const Case cases[] = {
        {{"write"}, "write needs one file name\n"},
        {{"erase", "x.hex"}, "erase takes no file name\n"},
        {{"id", "--device", "16F84"}, "unknown device 16F84 (18F452 or 18F4520)\n"},
        {{"id", "--device", "16F84", "--bogus"}, "unknown option --bogus\n"},
        {{"id", "--bogus"}, "unknown option --bogus\n"},
        {{"erase", "--last", "1F"}, "unknown option --last\n"},
        {{"read", "out.hex", "--last"}, "--last needs a value\n"},
        {{"volts", "--channel"}, "--channel needs a value\n"},
        {{"volts", "--driver"}, "--driver needs a value\n"},
        {{"count", "--gate", "1s"}, "unknown argument --gate for count\n"},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, 2) << c.reason;
        EXPECT_EQ(run.err, c.reason);
        EXPECT_EQ(run.out, "");
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
    CliEnvironment emulated4520;
    emulated4520.driverOptions.emulator.device = emu::Device::Pic18F4520;
    const CliRun run =
        RunCli({"erase", "--device", "18F4520", "--driver", "emulator", "--trace", trace.string()},
               emulated4520);
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
    const CliRun run =
        RunCli({"read", out.string(), "--last", "1F", "--flash-only", "--driver", "emulator"});
    ASSERT_EQ(run.status, 0) << run.err;
    // LED and supply on, entry, the table pointer, 8 reads of four words, the ID
    // locations and configuration (2 table pointers, 3 reads), leaving, supply and LED off.
    EXPECT_TRUE(run.out.ends_with(std::to_string(2 + 3 + 1 + 8 + 5 + 2 + 2) + " exchanges\n"))
        << run.out;
    Images reloaded;
    ASSERT_TRUE(HEX_LOAD(out, reloaded).ok);
    const auto eeprom = std::filesystem::temp_directory_path() / "tamro_cli_eeprom.bin";
    const CliRun eepromRun = RunCli({"read-eeprom", eeprom.string(), "--driver", "emulator"});
    ASSERT_EQ(eepromRun.status, 0) << eepromRun.err;
    EXPECT_EQ(std::filesystem::file_size(eeprom), 256u);
}

TEST(CliCommandsTest, DeviceGroupComesFromTheOptionOrThePanelsStoredSelection) {
    const fs::path folder = fs::temp_directory_path() / "tamro_cli_settings";
    fs::remove_all(folder);
    fs::create_directories(folder / "TAMRO18");
    struct Case {
        const char* settings;  // the panel's settings file, nullptr for none
        std::vector<std::string> options;
        int status;  // erasing an emulated 18F4520
    };
    const Case cases[] = {
        {nullptr, {}, kExitDeviceRefused},
        {"[DATA]\nDEVICE=\" 10\"\n", {}, 0},
        {"[DATA]\r\nDEVICE=10\r\n", {}, 0},
        {"[DATA]\nDEVICE=\" 9\"\n", {}, kExitDeviceRefused},
        {"[OTHER]\nDEVICE=10\n[DATA]\nF_ASM=x\n", {}, kExitDeviceRefused},
        {"[DATA]\nDEVICE=\" 10\"\n", {"--device", "18F452"}, kExitDeviceRefused},
        {nullptr, {"--device", "18F4520"}, 0},
    };
    CliEnvironment environment{"", folder, {}};
    environment.driverOptions.emulator.device = emu::Device::Pic18F4520;
    const fs::path file = folder / "TAMRO18" / "TAMRO18.conf";
    for (const Case& c : cases) {
        fs::remove(file);
        if (c.settings) std::ofstream(file) << c.settings;
        std::vector<std::string> args{"erase", "--driver", "emulator"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliRun run = RunCli(args, environment);
        EXPECT_EQ(run.status, c.status) << (c.settings ? c.settings : "no settings") << run.err;
        // The tool reads the panel's settings and never writes them.
        EXPECT_EQ(fs::exists(file), c.settings != nullptr);
        if (c.settings) {
            std::ifstream kept(file);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), c.settings);
        }
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tamro::cli
