#include "app/cli/programming_commands.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/cli/cli.h"
#include "images/checksum.h"
#include "images/hex_loader.h"
#include "programming/programmer_session.h"
#include "tests/testing/fakes.h"
#include "tests/testing/operations_fakes.h"

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

// The output with every time taken ("in 2.4 s") as "in T s".
std::string WithoutTimes(std::string text) {
    for (auto at = text.find(" in "); at != std::string::npos; at = text.find(" in ", at + 1)) {
        const auto end = text.find_first_not_of("0123456789.", at + 4);
        if (end != std::string::npos && end > at + 4 && text.compare(end, 2, " s") == 0) {
            text.replace(at, end + 2 - at, " in T s");
        }
    }
    return text;
}

fs::path LoopFile() {
    const fs::path file = fs::temp_directory_path() / "tamro_cli_loop.hex";
    std::ofstream(file) << ":0400000000EF00F01D\n:00000001FF\n";
    return file;
}

// Each kind of failure is worded one way, on standard error, with its exit
// status; standard output holds only what was done before it, and a read that
// fails leaves no output file.
TEST(CliCommandsTest, EachFailureKindHasOneWordingAndItsExitStatus) {
    const std::string loop = LoopFile().string();
    const std::string unread = loop + ".unread";
    fs::remove(unread);
    const std::string noDriver = "Unit not Found: no driver backend named \"nosuch\"\n";
    const fs::path protecting = fs::temp_directory_path() / "tamro_cli_protecting.hex";
    std::ofstream(protecting) << ":020000040030CA\n:02000800007F77\n:00000001FF\n";  // CP0-CP3, CPD
    const std::string noFolder = "/nonexistent/folder";
    const auto at = [&](const char* name) { return noFolder + "/" + name; };
    const auto cannotWrite = [&](const char* name) {
        return "cannot write " + at(name) + ": No such file or directory\n";
    };
    const std::string noTty =
        "Unit not Found: driver setting \"serial:/nonexistent/tty\": "
        "/nonexistent/tty does not exist\n";
    CliEnvironment noTarget, other, failingRead;
    noTarget.driverOptions.emulator.targetAttached = false;
    other.driverOptions.emulator.device = emu::Device::Pic18F4520;
    failingRead.driverOptions.failingReads = {12};
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
        CliEnvironment environment = {};
        std::string out = "";
    };
    const Case cases[] = {
        {{"write"}, kExitUsage, "write needs one file name\n"},
        {{"erase", "x.hex"}, kExitUsage, "erase takes no file name\n"},
        {{"frob", "x.hex"},
         kExitUsage,
         "unknown command frob (tamro18-cli --help lists the commands)\n"},
        {{"id", "--device", "16F84"},
         kExitUsage,
         "unknown device 16F84 (tamro18-cli devices lists the table)\n"},
        {{"--bogus", "id"}, kExitUsage, "unknown option --bogus\n"},
        {{"erase", "--last", "1F"}, kExitUsage, "unknown option --last\n"},
        {{"read", "out.hex", "--last"}, kExitUsage, "--last needs a value\n"},
        {{"volts", "--driver"}, kExitUsage, "--driver needs a value\n"},
        {{"count", "--gate", "1s"}, kExitUsage, "unknown argument --gate for count\n"},
        {{"--quiet", "id", "--verbose"}, kExitUsage, "--quiet and --verbose exclude each other\n"},
        {{"write", at("in.hex")},
         kExitFile,
         "cannot load " + at("in.hex") + ": cannot open the file\n"},
        {{"hex", loop, "--bin", at("out.bin")}, kExitFile, cannotWrite("out.bin")},
        {{"capture", "--vcd", at("c.vcd")}, kExitFile, cannotWrite("c.vcd")},
        {{"--trace", at("trace"), "id"}, kExitFile, cannotWrite("trace")},
        {{"read", at("chip.hex")}, kExitFile, cannotWrite("chip.hex")},
        {{"id", "--driver", "nosuch:thing"}, kExitLink, noDriver},
        {{"read", unread, "--driver", "nosuch:thing"}, kExitLink, noDriver},
        // The driver's own text only with --verbose.
        {{"--driver", "serial:/nonexistent/tty", "id"}, kExitLink, noTty},
        {{"--verbose", "--driver", "serial:/nonexistent/tty", "id"},
         kExitLink,
         noTty + "  driver: Driver Open:NG(ドライバオープンエラー)\n"},
        {{"write", loop}, kExitLink, "no reply from the programmer\n", failingRead},
        // The twelfth exchange fails; four more leave the target safe.
        {{"--verbose", "write", loop},
         kExitLink,
         "no reply from the programmer\n  driver: USB Read Error\n",
         failingRead,
         "16 exchanges in T s\n"},
        {{"write", loop}, kExitDeviceRefused, "No target found\n", noTarget},
        {{"write", loop, "--device", "18F452"},
         kExitDeviceRefused,
         "18F452 selected, the target reports 18F4520 (1087)\n",
         other},
        {{"write", protecting.string()},
         kExitDeviceRefused,
         "the configuration turns on code or data protection (CP0, CP1, CP2, CP3, CPD) "
         "(--allow-protect writes it)\n"},
        {{"verify", loop},
         kExitVerifyDifference,
         "4 differences\n  flash 000000h: file 00h, chip FFh\n"
         "  flash 000001h: file EFh, chip FFh\n  flash 000002h: file 00h, chip FFh\n"
         "  flash 000003h: file F0h, chip FFh\n",
         {},
         "flash 6 B verified in T s: 4 differences\n"},
    };
    const std::map<int, std::string> kind = {{kExitUsage, "usage error: "},
                                             {kExitFile, "file error: "},
                                             {kExitLink, "link failure: "},
                                             {kExitDeviceRefused, "refused: "},
                                             {kExitVerifyDifference, "verify: "}};
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.args, c.environment);
        EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args);
        EXPECT_EQ(run.err, kind.at(c.status) + c.err);
        EXPECT_EQ(WithoutTimes(run.out), c.out) << ::testing::PrintToString(c.args);
    }
    EXPECT_FALSE(fs::exists(unread));
}

// The subcommands say what they did, one line per region; the options every
// subcommand takes stand before or after it; --quiet keeps the results only;
// --help answers wherever it stands; list names the emulated programmer first.
TEST(CliCommandsTest, OneLinePerRegionWhereverTheOptionsStand) {
    const std::string loop = LoopFile().string();
    const std::string chip = (fs::temp_directory_path() / "tamro_cli_chip.hex").string();
    const std::string written =
        "chip erased in T s\nflash 8 B written and verified in T s\n"
        "configuration 14 B written in T s\n";
    const std::string read =
        "flash 32768 B read in T s\nID locations 8 B read in T s\n"
        "configuration 14 B read in T s\nEEPROM 256 B read in T s\n";
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"--driver", "emulator", "write", loop}, written},
        {{"write", loop, "--driver", "emulator"}, written},
        {{"write", "--quiet", loop}, ""},
        {{"read", chip}, read + "checksum 82D8h\n"},
        {{"--quiet", "read", chip}, "checksum 82D8h\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(WithoutTimes(run.out), c.out) << ::testing::PrintToString(c.args);
    }
    const CliRun help = RunCli({"write", loop, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("usage: tamro18-cli")) << help.out;
    const CliRun list = RunCli({"list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(list.out.starts_with("emulator  ")) << list.out;
}

// With nothing loaded, the panel's checksum is the tool's checksum of an empty
// HEX file: the erased chip's.
TEST(CliCommandsTest, PanelAndToolSumTheErasedChipAlike) {
    const fs::path empty = fs::temp_directory_path() / "tamro_empty_checksum.hex";
    std::ofstream(empty) << ":00000001FF\n";
    for (const auto& [name, option] : {std::pair{"18F452", kOption452}, {"18F4520", kOption4520}}) {
        testing::RecordingDriver driver;
        driver.responder = testing::EmulatedTarget(emu::Device{name});
        testing::RecordingMessageBoxes messages;
        testing::MemorySettingsStore settings;
        settings.Write("TAMRO18", "DATA", "DEVICE", StoredDeviceText(option));
        ProgrammerSession session{driver, messages, settings};
        ASSERT_TRUE(session.Start()) << name;
        const std::string sum =
            "checksum " +
            ChecksumText(ImageChecksum(session.images(), session.groupValues().configMask));
        const CliRun run = RunCli({"hex", empty.string(), "--device", name});
        EXPECT_NE(run.out.find(sum + "\n"), std::string::npos) << name << run.out << run.err;
    }
}

TEST(CliCommandsTest, TraceHasOneLinePerExchangeAndCountEndsTheOutput) {
    const auto folder = std::filesystem::temp_directory_path();
    const auto trace = folder / "tamro_cli_trace.txt";
    CliEnvironment emulated4520;
    emulated4520.driverOptions.emulator.device = emu::Device::Pic18F4520;
    const CliRun run = RunCli({"--verbose", "--trace", trace.string(), "erase", "--device",
                               "18F4520", "--driver", "emulator"},
                              emulated4520);
    EXPECT_EQ(run.status, 0) << run.err;
    // The device check (supply on, the seven packets of the ID read, supply
    // off), then the erase's 14.
    EXPECT_TRUE(WithoutTimes(run.out).ends_with("23 exchanges in T s\n")) << run.out;
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
    const CliRun run = RunCli({"read", out.string(), "--last", "1F", "--flash-only", "--driver",
                               "emulator", "--verbose"});
    ASSERT_EQ(run.status, 0) << run.err;
    // The device-ID read (supply on, seven packets, supply off); LED and supply
    // on, entry, the table pointer, 8 reads of four words, the ID locations and
    // configuration (2 table pointers, 3 reads), leaving, supply and LED off.
    EXPECT_TRUE(WithoutTimes(run.out).ends_with(std::to_string(9 + 2 + 3 + 1 + 8 + 5 + 2 + 2) +
                                                " exchanges in T s\n"))
        << run.out;
    Images reloaded;
    ASSERT_TRUE(HEX_LOAD(out, reloaded).ok);
    const auto eeprom = std::filesystem::temp_directory_path() / "tamro_cli_eeprom.bin";
    const CliRun eepromRun = RunCli({"read-eeprom", eeprom.string(), "--driver", "emulator"});
    ASSERT_EQ(eepromRun.status, 0) << eepromRun.err;
    EXPECT_EQ(std::filesystem::file_size(eeprom), 256u);
}

// The group comes from --device, else from the panel's stored selection; and
// without --device from the chip on the programmer: a device the other group
// serves switches to that group, which the tool says, and the command runs for
// it (with that chip's write buffer). The panel's settings are never written.
TEST(CliCommandsTest, DeviceGroupComesFromTheOptionTheStoredSelectionOrTheChip) {
    const fs::path folder = fs::temp_directory_path() / "tamro_cli_settings";
    fs::remove_all(folder);
    fs::create_directories(folder / "TAMRO18");
    const std::string loop = LoopFile().string();
    const std::string chipHex = (folder / "chip.hex").string();
    // gpasm's defaults for an 18F2510, which has no data EEPROM: the bits
    // an 18F4520 uses for its EEPROM's protection are 0.
    const std::string noEepromDefaults = (folder / "2510.hex").string();
    std::ofstream(noEepromDefaults) << ":04000000812AFED77C\n:020000040030CA\n"
                                       ":03000100081A1EBC\n:020005008181F7\n"
                                       ":060008000F400F600F40E5\n:00000001FF\n";
    const char* const k9 = "[DATA]\nDEVICE=\" 9\"\n";
    const char* const k10 = "[DATA]\nDEVICE=\" 10\"\n";
    const emu::Device k452 = emu::Device::Pic18F452, k4520 = emu::Device::Pic18F4520;
    struct Case {
        const char* settings;  // the panel's settings file, nullptr for none
        std::vector<std::string> args;
        emu::Device chip;
        int status;
        bool switches;         // to the chip's group, saying so
        const char* out = "";  // a part of standard output
    };
    const Case cases[] = {
        {nullptr, {"erase"}, k4520, 0, true},
        {k10, {"erase"}, k4520, 0, false},
        {"[DATA]\r\nDEVICE=10\r\n", {"erase"}, k4520, 0, false},
        {k9, {"erase"}, k4520, 0, true},
        {"[OTHER]\nDEVICE=10\n[DATA]\nF_ASM=x\n", {"erase"}, k4520, 0, true},
        {k10, {"erase", "--device", "18F452"}, k4520, kExitDeviceRefused, false},
        {nullptr, {"erase", "--device", "18F4520"}, k4520, 0, false},
        {k9, {"write", loop}, k4520, 0, true, "\nflash 32 B written and verified"},
        {k10, {"write", loop}, k452, 0, true, "\nflash 8 B written and verified"},
        {k9, {"verify", loop}, k4520, kExitVerifyDifference, true},
        {k9, {"read", chipHex, "--last", "1F"}, k4520, 0, true},
        {k9, {"--quiet", "write", loop}, k4520, 0, false},  // switched without a word
        // Another device of the group is followed with its own write buffer,
        // a device of the other group is taken as itself, and a device named
        // is held to.
        {k10, {"write", loop}, emu::Device{"18F4620"}, 0, false, "\nflash 64 B written"},
        {k9, {"write", loop}, emu::Device{"18F2321"}, 0, true, "\nflash 8 B written"},
        // The file loads under the chip's own memories and fields.
        {k10, {"read", chipHex}, emu::Device{"18F4620"}, 0, false, "flash 65536 B read"},
        {k9, {"write", noEepromDefaults}, emu::Device{"18F2510"}, 0, true, "\nflash 32 B written"},
        {k10,
         {"write", loop, "--device", "18F4520"},
         emu::Device{"18F4620"},
         kExitDeviceRefused,
         false},
    };
    const std::map<std::string, std::string> said = {
        {"18F4520", "the target reports 18F4520 (1087): switching to the 18F4520 family\n"},
        {"18F452", "the target reports 18F452 (427): switching to the 18F452 family\n"},
        {"18F2321", "the target reports 18F2321 (2127): switching to the 18F4520 family\n"},
        {"18F2510", "the target reports 18F2510 (1127): switching to the 18F4520 family\n"}};
    const fs::path file = folder / "TAMRO18" / "TAMRO18.conf";
    for (const Case& c : cases) {
        fs::remove(file);
        if (c.settings) std::ofstream(file) << c.settings;
        CliEnvironment environment{"", folder, {}};
        environment.driverOptions.emulator.device = c.chip;
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--driver", "emulator"});
        const CliRun run = RunCli(args, environment);
        EXPECT_EQ(run.status, c.status) << (c.settings ? c.settings : "no settings") << run.err;
        EXPECT_EQ(said.contains(c.chip.name) && run.err.starts_with(said.at(c.chip.name)),
                  c.switches)
            << run.err;
        EXPECT_EQ(run.err.find("switching") != std::string::npos, c.switches) << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
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
