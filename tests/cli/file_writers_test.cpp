// Every writer of a file the programs make, on a full file system, in a
// read-only folder, in a folder closed to the user on a full disk and over a
// FIFO: the error is reported and the previous file stays as it was, with
// nothing left beside it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>

#include "app/cli/cli.h"
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
    std::ostringstream out, err;
    return {RunCli(args, CliEnvironment{}, out, err) == 0, err.str()};
}

Written Capture(CaptureFileFormat format, const std::string& out) {
    const CaptureFileResult r =
        WriteCaptureFile({std::vector<bool>(480, true), 1, true}, format, out);
    return {r.written, r.error};
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
         return Written{WriteIntelHexFile(out, images, {}, &error), error};
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
    {"capture VCD", [](const std::string& out,
                       const std::string&) { return Capture(CaptureFileFormat::Vcd, out); }},
    {"capture CSV", [](const std::string& out,
                       const std::string&) { return Capture(CaptureFileFormat::Csv, out); }},
    {"editor save",
     [](const std::string& out, const std::string&) {
         return Written{ReplaceFileContents(out, std::string(20000, 'x')), ""};
     }},
    {"emulator state",
     [](const std::string& out, const std::string&) {
         const FileResult r = emu::SaveStateFile(out, emu::Device::Pic18F452, {});
         return Written{r.ok(), r.error};
     }},
};

struct Condition {
    const char* name;
    // Makes the condition around `out` in `folder`; empty, or what failed.
    std::function<std::string(const std::string& folder, const std::string& out)> make;
    std::string reason;  // what the report names
};

TEST(FileWritersTest, AFailedWriteReportsAndLeavesThePreviousFileAsItWas) {
    const Condition conditions[] = {
        {"full file system",
         [](const std::string& folder, const std::string&) {
             return testing::FillFileSystem(folder);
         },
         std::strerror(ENOSPC)},
        {"read-only folder",
         [](const std::string& folder, const std::string&) {
             return testing::MakeReadOnly(folder);
         },
         std::strerror(EROFS)},
        // The file is rewritten in place only once its new size is reserved
        // (an output that fits in the page the old file holds is written).
        {"folder closed to the user, on a full disk",
         [](const std::string& folder, const std::string& out) -> std::string {
             ::chmod(out.c_str(), 0666);
             if (std::string failed = testing::FillFileSystem(folder); !failed.empty()) {
                 return failed;
             }
             ::chmod(folder.c_str(), 0555);
             return ::setuid(65534) == 0 ? "" : "cannot become nobody";
         },
         std::strerror(ENOSPC)},
        {"FIFO in the file's place",
         [](const std::string&, const std::string& out) {
             fs::remove(out);
             return ::mkfifo(out.c_str(), 0600) == 0 ? "" : "mkfifo failed";
         },
         "not a regular file"},
    };
    for (const Condition& condition : conditions) {
        for (const Writer& writer : kWriters) {
            const testing::IsolatedRun run =
                testing::RunOnSmallFileSystem(256 * 1024, [&](const std::string& folder) {
                    const std::string out = folder + "/out";
                    const std::string hex = folder + "/in.hex";
                    testing::WriteFileBytes(out, "previous contents, kept byte for byte\n");
                    testing::WriteFileBytes(hex, ":020000040000FA\n:0100000000FF\n:00000001FF\n");
                    if (std::string failed = condition.make(folder, out); !failed.empty()) {
                        return failed;
                    }
                    const std::string before = testing::FileSnapshot(out);
                    const Written written = writer.write(out, hex);
                    if (written.ok && condition.reason == std::strerror(ENOSPC) &&
                        fs::file_size(out) <= static_cast<std::uintmax_t>(::getpagesize())) {
                        return std::string();
                    }
                    std::string failure;
                    if (written.ok) failure += " reported success;";
                    if (std::string(writer.name) != "editor save" &&
                        written.error.find(condition.reason) == std::string::npos) {
                        failure += " reported \"" + written.error + "\";";
                    }
                    if (testing::FileSnapshot(out) != before) failure += " changed the file;";
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
    const testing::ScratchFolder folder;
    for (const char* command : {"read", "read-eeprom"}) {
        const std::string out = (folder.path / command).string();
        EXPECT_FALSE(Cli({command, out, "--driver", "tcp:127.0.0.1:1"}).ok) << command;
        EXPECT_FALSE(fs::exists(out)) << command;
    }
}

}  // namespace
}  // namespace tamro::cli
