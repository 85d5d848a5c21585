// Every writer of a file the programs make reports the error and leaves the
// previous file as it was, with nothing beside it: on a full file system, in a
// read-only folder, in a folder closed to the user on a full disk, over a FIFO.
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
using testing::ScratchDisk;

// Writes `out` as `writer` does (hex --bin converts the HEX file it holds):
// empty, or the error it reports.
std::string Write(const std::string& writer, const std::string& out) {
    std::string error;
    if (writer == "Save HEX") return WriteIntelHexFile(out, Images{}, {}, &error) ? "" : error;
    if (writer == "editor")
        return ReplaceFileContents(out, std::string(20000, 'x')) ? "" : "not saved";
    if (writer == "emulator state")
        return emu::SaveStateFile(out, emu::Device::Pic18F452, {}).error;
    const LogicCapture capture{std::vector<bool>(480, true), 1, true};
    if (writer == "capture VCD")
        return WriteCaptureFile(capture, CaptureFileFormat::Vcd, out).error;
    if (writer == "capture CSV")
        return WriteCaptureFile(capture, CaptureFileFormat::Csv, out).error;
    std::vector<std::string> args{writer, out, "--driver", "emulator"};
    if (writer == "hex --bin") args = {"hex", out, "--bin", out};
    std::ostringstream said, err;
    return RunCli(args, CliEnvironment{}, said, err) == 0 ? "" : err.str();
}

TEST(FileWritersTest, AFailedWriteReportsAndLeavesThePreviousFileAsItWas) {
    struct Condition {
        const char* name;
        std::function<void(const ScratchDisk& disk, const std::string& out)> make;
        const char* reason;
    };
    const Condition conditions[] = {
        {"full file system", [](auto& disk, auto&) { disk.Fill(); }, std::strerror(ENOSPC)},
        {"read-only folder", [](auto& disk, auto&) { disk.MakeReadOnly(); }, std::strerror(EROFS)},
        // Rewritten in place once the new size is reserved (an output that fits
        // in the old file's page is written); only root can become another user.
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
    };
    for (const Condition& condition : conditions) {
        for (const std::string writer :
             {"Save HEX", "read", "read-eeprom", "hex --bin", "capture VCD", "capture CSV",
              "editor", "emulator state"}) {
            const ScratchDisk disk;
            if (const std::string no = disk.MountSmallFileSystem(256 * 1024); !no.empty()) {
                GTEST_SKIP() << no;
            }
            const std::string out = disk.path / "out";
            std::ofstream(out) << ":020000040000FA\n:0100000000FF\n:00000001FF\n";
            condition.make(disk, out);
            const auto files = std::distance(fs::directory_iterator(disk.path), {});
            const std::string before = testing::FileContents(out);
            const std::string error = Write(writer, out);
            (void)!::seteuid(0);
            const std::string after = testing::FileContents(out),
                              what = writer + " on a " + condition.name;
            EXPECT_EQ(std::distance(fs::directory_iterator(disk.path), {}), files) << what;
            if (!error.empty() || condition.reason != std::string(std::strerror(ENOSPC)) ||
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
