// Only regular files are read or replaced: folders and FIFOs are refused at
// once and left as they were, nothing waits for a FIFO's writer, a file over
// the reader's limit is refused, and a symbolic link is followed to its file.
#include "common/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/testing/file_system.h"

namespace tamro {
namespace {

namespace fs = std::filesystem;
using testing::FileSnapshot;

TEST(FileIoTest, OnlyRegularFilesAreReadOrReplaced) {
    const testing::ScratchFolder scratch;
    const fs::path& folder = scratch.path;
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_directory(folder / "dir");
    testing::WriteFileBytes(folder / "big", std::string(1001, 'b'));
    testing::WriteFileBytes(folder / "file", "contents");
    fs::create_symlink(folder / "file", folder / "link");

    struct Case {
        const char* name;
        FileProblem write;  // WriteFileAtomically and CheckWritableFile
        FileProblem read;   // ReadRegularFile and CheckReadableFile, 1000 bytes at most
        const char* after;  // what the path is after the write
    };
    const Case cases[] = {
        {"fifo", FileProblem::NotRegular, FileProblem::NotRegular, "fifo"},
        {"dir", FileProblem::NotRegular, FileProblem::NotRegular, "folder"},
        {"big", FileProblem::None, FileProblem::TooLarge, "new"},
        {"link", FileProblem::None, FileProblem::None, "link to new"},
        {"missing/inside", FileProblem::Missing, FileProblem::Missing, "missing"},
        {"missing", FileProblem::None, FileProblem::Missing, "new"},
    };
    for (const Case& c : cases) {
        const std::string path = (folder / c.name).string();
        EXPECT_EQ(ReadRegularFile(path, 1000).problem, c.read) << c.name;
        EXPECT_EQ(CheckReadableFile(path, 1000).problem, c.read) << c.name;
        const std::string before = FileSnapshot(path);
        EXPECT_EQ(CheckWritableFile(path).problem, c.write) << c.name;
        EXPECT_EQ(FileSnapshot(path), before) << c.name << " changed by the check";
        EXPECT_EQ(WriteFileAtomically(path, "new").problem, c.write) << c.name;
        EXPECT_EQ(FileSnapshot(path), c.after) << c.name;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 6);
}

}  // namespace
}  // namespace tamro
