#pragma once
// Files and file systems for tests: whole-file reads and writes, and a small
// tmpfs of the test's own, to fill up or to make read-only.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

namespace tamro::testing {

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// Where a body ran on a file system of its own.
struct IsolatedRun {
    // Empty when the run took place; otherwise why this machine cannot make
    // the file system (the test skips with it).
    std::string skipReason;
    // What the body returned: empty for success, else what went wrong.
    std::string failure;
};

// Runs `body` in a child process with a mount namespace of its own, in which
// a tmpfs of `bytes` is mounted on a fresh folder (passed to the body). Mounts
// never leave the child. Also works without root where user namespaces are
// allowed.
IsolatedRun RunOnSmallFileSystem(std::size_t bytes,
                                 const std::function<std::string(const std::string&)>& body);

// Inside such a body: fills the file system up with a file in `folder`,
// and turns the mount on `folder` read-only. Empty, or what failed.
std::string FillFileSystem(const std::string& folder);
std::string MakeReadOnly(const std::string& folder);

}  // namespace tamro::testing
