#include "tools/file_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/tools/toolrun_fakes.h"

namespace tamro {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

TEST(FileReplaceTest, ReplacesTheWholeFileKeepingItsModeAndLinks) {
    ScratchFolder folder;
    const std::string path = folder / "prog.asm";
    WriteBytes(path, "old text that is longer\n");
    ::chmod(path.c_str(), 0640);
    fs::create_symlink(path, folder.path() / "link.asm");

    ASSERT_TRUE(ReplaceFileContents(folder / "link.asm", "new\n"));
    EXPECT_EQ(ReadBytes(path), "new\n");
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_TRUE(fs::is_symlink(folder.path() / "link.asm"));
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);

    EXPECT_TRUE(ReplaceFileContents(folder / "fresh.asm", "x"));
    EXPECT_EQ(ReadBytes(folder / "fresh.asm"), "x");
    EXPECT_FALSE(ReplaceFileContents(folder / "prog.asm/inside", "x"));
    EXPECT_FALSE(ReplaceFileContents(folder / "missing/inside", "x"));
}

// A folder the user may not write to, holding a file they may: the file is
// written in place. Run as an ordinary user (root may write anywhere).
TEST(FileReplaceTest, FileInAFolderClosedToTheUserIsWrittenInPlace) {
    ScratchFolder folder;
    const fs::path closed = folder.path() / "closed";
    fs::create_directory(closed);
    const std::string path = (closed / "shared.asm").string();
    WriteBytes(path, "old\n");
    ::chmod(folder.path().c_str(), 0755);
    ::chmod(closed.c_str(), 0555);
    ::chmod(path.c_str(), 0666);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(2);
        ::_exit(ReplaceFileContents(path, "new text\n") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod(closed.c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(path), "new text\n");
}

}  // namespace
}  // namespace tamro
