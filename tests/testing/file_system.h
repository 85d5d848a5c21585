#pragma once
// Files and file systems for tests: what a path holds, and scratch folders
// that can hold a small tmpfs of the test's own to fill up or make read-only.

#include <cstddef>
#include <filesystem>
#include <string>

namespace tamro::testing {

// What `path` holds now, to compare before and after: a regular file's bytes,
// "link to " and what its target holds, else the kind of thing it is.
std::string FileContents(const std::filesystem::path& path);

// A fresh folder under /tmp, removed with all it holds at the end.
struct ScratchFolder {
    ScratchFolder();
    ~ScratchFolder();
    // Mounts a tmpfs of `bytes` on it, in a mount namespace of the test
    // process's own (as an ordinary user, inside a user namespace where the
    // user is root). Empty, or why this machine cannot.
    std::string MountSmallFileSystem(std::size_t bytes) const;
    void Fill() const;          // fills the file system up
    void MakeReadOnly() const;  // remounts it read-only
    std::filesystem::path path;
};

}  // namespace tamro::testing
