// Files written whole or not at all, and only regular files read or replaced.
#include "common/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "tests/testing/file_system.h"

namespace tamro {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

// A folder the user may not write to, holding a file they may, on a full
// disk: the space is reserved before the file is touched, so it stays whole.
TEST(FileIoTest, InPlaceRewriteOnAFullDiskLeavesTheOldFile) {
    const testing::IsolatedRun run =
        testing::RunOnSmallFileSystem(128 * 1024, [](const std::string& folder) -> std::string {
            const std::string closed = folder + "/closed";
            const std::string path = closed + "/shared.asm";
            fs::create_directory(closed);
            WriteFileBytes(path, "o");
            ::chmod(path.c_str(), 0666);
            if (std::string failed = testing::FillFileSystem(folder); !failed.empty()) {
                return failed;
            }
            ::chmod(closed.c_str(), 0555);
            if (::geteuid() == 0 && ::setuid(65534) != 0) return "cannot become nobody";
            const FileResult written = WriteFileAtomically(path, std::string(64 * 1024, 'n'));
            std::string failure;
            if (written.reason != std::strerror(ENOSPC)) failure += "reported " + written.error;
            if (ReadFileBytes(path) != "o") failure += "; the file changed";
            return failure;
        });
    if (!run.skipReason.empty()) GTEST_SKIP() << run.skipReason;
    EXPECT_EQ(run.failure, "");
}

// Folders, FIFOs and oversized files are refused at once, untouched: nothing
// waits for a FIFO's writer, nothing renames over a special file.
TEST(FileIoTest, OnlyRegularFilesAreReadOrReplaced) {
    char pattern[] = "/tmp/tamro-file-io-XXXXXX";
    const fs::path folder = ::mkdtemp(pattern);
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(folder / "dir");
    WriteFileBytes(folder / "big", std::string(1001, 'b'));
    WriteFileBytes(folder / "file", "contents");
    fs::create_symlink(folder / "file", folder / "link");

    struct Case {
        const char* name;
        FileProblem write;  // WriteFileAtomically and CheckWritableFile
        FileProblem read;   // ReadRegularFile with a limit of 1000 bytes
    };
    const Case cases[] = {
        {"fifo", FileProblem::NotRegular, FileProblem::NotRegular},
        {"dir", FileProblem::NotRegular, FileProblem::NotRegular},
        {"big", FileProblem::None, FileProblem::TooLarge},
        {"link", FileProblem::None, FileProblem::None},
        {"missing/inside", FileProblem::Missing, FileProblem::Missing},
        {"missing", FileProblem::None, FileProblem::Missing},
    };
    for (const Case& c : cases) {
        const std::string path = (folder / c.name).string();
        const FileReadResult read = ReadRegularFile(path, 1000);
        EXPECT_EQ(read.problem, c.read) << c.name << ": " << read.error;
        const bool existed = fs::exists(fs::symlink_status(path));
        EXPECT_EQ(CheckWritableFile(path).problem, c.write) << c.name;
        EXPECT_EQ(fs::exists(fs::symlink_status(path)), existed) << c.name << " was created";
        EXPECT_EQ(WriteFileAtomically(path, "new").problem, c.write) << c.name;
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(folder / "link"));
    EXPECT_EQ(ReadFileBytes(folder / "file"), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 6);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tamro
