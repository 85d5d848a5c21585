// Every writer of a file the programs make, on a full file system, in a
// read-only folder, in a folder closed to the user on a full disk and over a
// FIFO, reports the error and leaves the previous file as it was, with nothing
// beside it; through a symbolic link, it replaces the file behind the link.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
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

// Writes `out` as `writer` does (`hex` is a HEX file to convert): empty, or
// the error it reports.
std::string Write(const std::string& writer, const std::string& out, const std::string& hex) {
    std::string error;
    if (writer == "Save HEX") return WriteIntelHexFile(out, Images{}, {}, &error) ? "" : error;
    if (writer == "editor")
        return ReplaceFileContents(out, std::string(20000, 'x')) ? "" : "not saved";
    if (writer == "emulator state")
        return emu::SaveStateFile(out, emu::Device::Pic18F452, {}).error;
    if (writer.starts_with("capture")) {
        const auto format =
            writer == "capture VCD" ? CaptureFileFormat::Vcd : CaptureFileFormat::Csv;
        return WriteCaptureFile({std::vector<bool>(480, true), 1, true}, format, out).error;
    }
    std::vector<std::string> args{writer, out, "--driver", "emulator"};
    if (writer == "hex --bin") args = {"hex", hex, "--bin", out};
    std::ostringstream said, err;
    return RunCli(args, CliEnvironment{}, said, err) == 0 ? "" : err.str();
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
            const std::string error = Write(writer, out, hex);
            (void)!::seteuid(0);
            const std::string after = testing::FileContents(out),
                              what = writer + " on a " + condition.name;
            EXPECT_EQ(files(), filesBefore) << what;
            if (!condition.reason) {
                EXPECT_TRUE(error.empty() && after != before && fs::is_symlink(out))
                    << what << error;
            } else if (!error.empty() || condition.reason != std::string(std::strerror(ENOSPC)) ||
                       after.size() > static_cast<std::size_t>(::getpagesize())) {
                EXPECT_TRUE(writer == "editor" ? !error.empty()
                                               : error.find(condition.reason) != std::string::npos)
                    << what << ": " << error;
                EXPECT_EQ(after, before) << what;
            }
        }
    }
}

}  // namespace
}  // namespace tamro::cli
