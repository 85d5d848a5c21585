// tamro18-cli write refuses what it must not write: the emulated chip (kept in
// a state file) stays byte for byte as it was, and the tool exits non-zero.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "app/cli/cli.h"
#include "app/cli/cli_failure.h"
#include "images/hex_writer.h"

namespace tamro::cli {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status;
    std::string err;
};

CliRun RunWrite(std::vector<std::string> args, const fs::path& state) {
    CliEnvironment environment;
    environment.driverOptions.emulator.stateFile = state.string();
    args.insert(args.end(), {"--driver", "emulator"});
    std::ostringstream out, err;
    const int status = tamro::cli::RunCli(args, environment, out, err);
    return {status, err.str()};
}

std::string FileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A program of a few words and the given configuration bytes.
std::string ProgramHex(const ConfigBytes& config) {
    Images images;
    images.program.fill(0xFF);
    for (int i = 0; i < 40; ++i)
        images.program[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7);
    std::copy(config.begin(), config.end(), images.config.begin());
    images.configPresent.fill(true);
    ConfigBytes all;
    all.fill(0xFF);
    return IntelHexText(images, {HexRegions::WholeChip, 0x13, all});
}

TEST(CliRefusalsTest, WriteLeavesTheChipUnchangedForEveryRefusedInput) {
    const fs::path folder = fs::temp_directory_path() / "tamro_cli_refusals";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path state = folder / "chip.state";
    const ConfigBytes defaults{0xFF, 0xFA, 0xF6, 0xFE, 0xFF, 0xFF, 0xFB,
                               0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const std::string good = ProgramHex(defaults);
    WriteFile(folder / "good.hex", good);

    // The chip holds a program before every case.
    const CliRun first = RunWrite({"write", (folder / "good.hex").string()}, state);
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string chip = FileBytes(state);
    ASSERT_FALSE(chip.empty());

    std::string random(2000, '\0');
    std::mt19937 generator(13);
    for (char& byte : random) byte = static_cast<char>(generator());
    std::string badChecksum = good;
    const std::size_t secondLine = badChecksum.find('\n') + 1;
    badChecksum[badChecksum.find('\n', secondLine) - 1] ^= 1;
    const std::string withoutEnd = good.substr(0, good.rfind(":00000001FF"));
    ConfigBytes protecting = defaults;
    protecting[8] = 0xFE;   // CP0
    protecting[11] = 0x7F;  // WRTD

    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> options;
        int status;
    };
    const std::vector<Case> cases = {
        {"random bytes", random, {}, kExitFile},
        {"empty file", "", {}, kExitFile},
        {"text file", "This is a note,\nnot a program.\n", {}, kExitFile},
        {"one bad checksum", badChecksum, {}, kExitFile},
        {"no end-of-file record", withoutEnd, {}, kExitFile},
        {"other device group", good, {"--device", "18F4520"}, kExitDeviceRefused},
        {"other device group, forced",
         good,
         {"--device", "18F4520", "--force"},
         kExitDeviceRefused},
        {"protection without --allow-protect", ProgramHex(protecting), {}, kExitDeviceRefused},
    };
    for (const Case& refused : cases) {
        const fs::path file = folder / "input.hex";
        WriteFile(file, refused.content);
        std::vector<std::string> args = {"write", file.string()};
        args.insert(args.end(), refused.options.begin(), refused.options.end());
        const CliRun run = RunWrite(args, state);
        EXPECT_EQ(run.status, refused.status) << refused.name << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << refused.name;
        EXPECT_TRUE(FileBytes(state) == chip) << refused.name << " changed the chip";
    }

    // The same protecting file is written when asked for.
    WriteFile(folder / "protect.hex", ProgramHex(protecting));
    const CliRun allowed =
        RunWrite({"write", (folder / "protect.hex").string(), "--allow-protect"}, state);
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_FALSE(FileBytes(state) == chip);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tamro::cli
