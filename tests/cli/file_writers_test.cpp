// Every writer of a file the programs make, on a full file system, in a
// read-only folder, in a folder closed to the user on a full disk and over a
// FIFO: the error is reported and the previous file stays as it was, with
// nothing left beside it. Through a symbolic link, the file behind it is
// replaced and the link stays.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
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
using testing::ScratchFolder;

struct Written {
    bool ok;
    std::string error;
};

Written Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    return {RunCli(args, CliEnvironment{}, out, err) == 0, err.str()};
}

// Writes `out` as `writer` does; `hex` is a HEX file to convert.
Written Write(const std::string& writer, const std::string& out, const std::string& hex) {
    std::string error;
    if (writer == "Save HEX") {
        Images images;
        images.program.fill(0x00);
        return {WriteIntelHexFile(out, images, {}, &error), error};
    }
    if (writer == "editor") return {ReplaceFileContents(out, std::string(20000, 'x')), ""};
    if (writer == "emulator state") {
        const FileResult r = emu::SaveStateFile(out, emu::Device::Pic18F452, {});
        return {r.ok(), r.error};
    }
    if (writer == "hex --bin") return Cli({"hex", hex, "--bin", out});
    if (writer.starts_with("read")) return Cli({writer, out, "--driver", "emulator"});
    const CaptureFileResult r = WriteCaptureFile(
        {std::vector<bool>(480, true), 1, true},
        writer == "capture VCD" ? CaptureFileFormat::Vcd : CaptureFileFormat::Csv, out);
    return {r.written, r.error};
}

TEST(FileWritersTest, AFailedWriteReportsAndLeavesThePreviousFileAsItWas) {
    struct Condition {
        const char* name;
        std::function<void(const ScratchFolder& disk, const std::string& out)> make;
        const char* reason;  // what the report names; none when the write is to succeed
    };
    const Condition conditions[] = {
        {"full file system", [](auto& disk, auto&) { disk.Fill(); }, std::strerror(ENOSPC)},
        {"read-only folder", [](auto& disk, auto&) { disk.MakeReadOnly(); }, std::strerror(EROFS)},
        // The file is rewritten in place only once its new size is reserved (on
        // a full disk, an output that fits in the old file's page is written).
        // Only a test run as root can become a user the folder is closed to.
        {"folder closed to the user, on a full disk",
         [](auto& disk, auto& out) {
             ::chmod(out.c_str(), 0666);
             disk.Fill();
             ::chmod(disk.path.c_str(), 0555);
             (void)!::seteuid(65534);
         },
         std::strerror(ENOSPC)},
        {"FIFO in the file's place",
         [](auto&, auto& out) { fs::remove(out), ::mkfifo(out.c_str(), 0600); },
         "not a regular file"},
        {"symbolic link to the file",
         [](auto& disk, auto& out) {
             fs::rename(out, disk.path / "target");
             fs::create_symlink("target", out);
         },
         nullptr},
    };
    for (const Condition& condition : conditions) {
        for (const std::string writer :
             {"Save HEX", "read", "read-eeprom", "hex --bin", "capture VCD", "capture CSV",
              "editor", "emulator state"}) {
            const ScratchFolder disk;
            if (const std::string no = disk.MountSmallFileSystem(256 * 1024); !no.empty()) {
                GTEST_SKIP() << no;
            }
            const std::string out = disk.path / "out", hex = disk.path / "in.hex";
            std::ofstream(out) << "previous contents, kept byte for byte\n";
            std::ofstream(hex) << ":020000040000FA\n:0100000000FF\n:00000001FF\n";
            condition.make(disk, out);
            const auto files = [&] { return std::distance(fs::directory_iterator(disk.path), {}); };
            const auto filesBefore = files();
            const std::string before = testing::FileContents(out);
            const Written written = Write(writer, out, hex);
            (void)!::seteuid(0);
            const std::string after = testing::FileContents(out),
                              what = writer + " on a " + condition.name;
            EXPECT_EQ(files(), filesBefore) << what;
            if (!condition.reason) {
                EXPECT_TRUE(written.ok && after != before && after.starts_with("link to ")) << what;
            } else if (!written.ok || condition.reason != std::string(std::strerror(ENOSPC)) ||
                       after.size() > static_cast<std::size_t>(::getpagesize())) {
                EXPECT_FALSE(written.ok) << what;
                EXPECT_TRUE(writer == "editor" ||
                            written.error.find(condition.reason) != std::string::npos)
                    << what;
                EXPECT_EQ(after, before) << what;
            }
        }
    }
}

// An output file appears only with its contents.
TEST(FileWritersTest, AReadThatFailsCreatesNoFile) {
    const ScratchFolder folder;
    for (const std::string command : {"read", "read-eeprom"}) {
        EXPECT_FALSE(Cli({command, folder.path / command, "--driver", "tcp:127.0.0.1:1"}).ok);
    }
    EXPECT_TRUE(fs::is_empty(folder.path));
}

}  // namespace
}  // namespace tamro::cli
