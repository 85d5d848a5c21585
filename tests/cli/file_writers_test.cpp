// Every writer of a file the programs make, on a full file system and in a
// read-only folder: the error is reported and the previous file stays byte
// for byte as it was, with nothing left beside it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>

#include "app/cli/cli.h"
#include "app/cli/cli_session.h"
#include "emulator/state_file.h"
#include "images/hex_writer.h"
#include "instruments/capture_export.h"
#include "tests/testing/file_system.h"
#include "tools/file_replace.h"

namespace tamro::cli {
namespace {

namespace fs = std::filesystem;

struct Written {
    bool ok;
    std::string error;
};

Written Cli(const std::vector<std::string>& args) {
    CliEnvironment environment;
    std::ostringstream out, err;
    const int status = RunCli(args, environment, out, err);
    return {status == 0, err.str()};
}

struct Writer {
    const char* name;
    std::function<Written(const std::string& out, const std::string& hexInput)> write;
};

const Writer kWriters[] = {
    {"Save HEX",
     [](const std::string& out, const std::string&) {
         std::string error;
         Images images;
         images.program.fill(0x00);
         const bool ok = WriteIntelHexFile(out, images, {}, &error);
         return Written{ok, error};
     }},
    {"cli read",
     [](const std::string& out, const std::string&) {
         return Cli({"read", out, "--driver", "emulator"});
     }},
    {"cli read-eeprom",
     [](const std::string& out, const std::string&) {
         return Cli({"read-eeprom", out, "--driver", "emulator"});
     }},
    {"cli hex --bin",
     [](const std::string& out, const std::string& hex) {
         return Cli({"hex", hex, "--bin", out});
     }},
    {"capture VCD",
     [](const std::string& out, const std::string&) {
         const CaptureFileResult r =
             WriteCaptureFile({std::vector<bool>(480, true), 1, true}, CaptureFileFormat::Vcd, out);
         return Written{r.written, r.error};
     }},
    {"capture CSV",
     [](const std::string& out, const std::string&) {
         const CaptureFileResult r =
             WriteCaptureFile({std::vector<bool>(480, true), 1, true}, CaptureFileFormat::Csv, out);
         return Written{r.written, r.error};
     }},
    {"editor save",
     [](const std::string& out, const std::string&) {
         return Written{ReplaceFileContents(out, std::string(20000, 'x')), "(a boolean)"};
     }},
    {"emulator state",
     [](const std::string& out, const std::string&) {
         const FileResult r = emu::SaveStateFile(out, emu::Device::Pic18F452, {});
         return Written{r.ok(), r.error};
     }},
};

struct Condition {
    const char* name;
    std::function<std::string(const std::string& folder)> make;
    int error;  // what the report names
};

TEST(FileWritersTest, AFailedWriteReportsAndLeavesThePreviousFileAsItWas) {
    const Condition conditions[] = {
        {"full file system", testing::FillFileSystem, ENOSPC},
        {"read-only folder", testing::MakeReadOnly, EROFS},
    };
    const std::string previous = "previous contents, kept byte for byte\n";
    for (const Condition& condition : conditions) {
        for (const Writer& writer : kWriters) {
            const testing::IsolatedRun run =
                testing::RunOnSmallFileSystem(256 * 1024, [&](const std::string& folder) {
                    const std::string out = folder + "/out";
                    const std::string hex = folder + "/in.hex";
                    testing::WriteFileBytes(out, previous);
                    testing::WriteFileBytes(hex, ":020000040000FA\n:0100000000FF\n:00000001FF\n");
                    if (std::string failed = condition.make(folder); !failed.empty()) return failed;
                    const Written written = writer.write(out, hex);
                    std::string failure;
                    if (written.ok) failure += " reported success;";
                    if (std::string(writer.name) != "editor save" &&
                        written.error.find(std::strerror(condition.error)) == std::string::npos) {
                        failure += " reported \"" + written.error + "\";";
                    }
                    if (testing::ReadFileBytes(out) != previous) failure += " changed the file;";
                    for (const auto& entry : fs::directory_iterator(folder)) {
                        const std::string name = entry.path().filename().string();
                        if (name != "out" && name != "in.hex" && name != "filler") {
                            failure += " left " + name + ";";
                        }
                    }
                    return failure;
                });
            if (!run.skipReason.empty()) GTEST_SKIP() << run.skipReason;
            EXPECT_EQ(run.failure, "") << writer.name << " on a " << condition.name;
        }
    }
}

// An output file appears only with its contents: a read that fails on the
// link leaves no empty file behind.
TEST(FileWritersTest, AReadThatFailsCreatesNoFile) {
    char pattern[] = "/tmp/tamro-cli-out-XXXXXX";
    const fs::path folder = ::mkdtemp(pattern);
    for (const char* command : {"read", "read-eeprom"}) {
        const std::string out = (folder / command).string();
        const Written run = Cli({command, out, "--driver", "tcp:127.0.0.1:1"});
        EXPECT_FALSE(run.ok) << command;
        EXPECT_FALSE(fs::exists(out)) << command;
    }
    fs::remove_all(folder);
}

// The settings the tool reads are taken only from a regular file of a sane
// size: a FIFO or a huge file gives the defaults at once.
TEST(FileWritersTest, SettingsFilesThatCannotBeSettingsGiveTheDefaults) {
    char pattern[] = "/tmp/tamro-cli-settings-XXXXXX";
    const fs::path folder = ::mkdtemp(pattern);
    fs::create_directories(folder / "fifo");
    ASSERT_EQ(::mkfifo((folder / "fifo" / "fifo.conf").c_str(), 0600), 0);
    fs::create_directories(folder / "huge");
    testing::WriteFileBytes(
        folder / "huge" / "huge.conf",
        "[s]\nk=1\n" + std::string(StoredPanelSettings::kMaxSettingsBytes, '#'));
    fs::create_directories(folder / "good");
    testing::WriteFileBytes(folder / "good" / "good.conf", "[s]\nk=1\n");
    StoredPanelSettings settings(folder);
    EXPECT_EQ(settings.Read("fifo", "s", "k"), "");
    EXPECT_EQ(settings.Read("huge", "s", "k"), "");
    EXPECT_EQ(settings.Read("good", "s", "k"), "1");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tamro::cli
