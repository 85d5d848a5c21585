#pragma once
// Files and file systems for tests: whole-file reads and writes, what a path
// is, a scratch folder, and a small tmpfs of the test's own to fill up or to
// make read-only.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

namespace tamro::testing {

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// What `path` is now, to compare before and after: "missing", "folder",
// "fifo", "other", "link to " and what the target is, or a file's bytes.
std::string FileSnapshot(const std::filesystem::path& path);

// A fresh folder under /tmp, removed with all it holds at the end.
struct ScratchFolder {
    ScratchFolder();
    ~ScratchFolder();
    std::filesystem::path path;
};

// Where a body ran on a file system of its own: `skipReason` is empty when
// it ran, else why this machine cannot make one (the test skips with it);
// `failure` is what the body returned (empty for success).
struct IsolatedRun {
    std::string skipReason;
    std::string failure;
};

// Runs `body` in a child process with a mount namespace of its own (inside a
// user namespace where the user is not root), on a fresh folder with a tmpfs
// of `bytes` mounted. Mounts never leave the child.
IsolatedRun RunOnSmallFileSystem(std::size_t bytes,
                                 const std::function<std::string(const std::string&)>& body);

// Inside such a body: fills the file system up with a file in `folder`, or
// turns the mount on `folder` read-only. Empty, or what failed.
std::string FillFileSystem(const std::string& folder);
std::string MakeReadOnly(const std::string& folder);

}  // namespace tamro::testing
