#pragma once
// Files and file systems for tests: what a path holds, a scratch folder, and
// a small tmpfs of the test's own to fill up or to make read-only.

#include <cstddef>
#include <filesystem>
#include <string>

namespace tamro::testing {

// What `path` holds now, to compare before and after: a regular file's bytes,
// "link to " and what its target is, else the kind of thing it is.
std::string FileContents(const std::filesystem::path& path);

// A fresh folder under /tmp, removed with all it holds at the end.
struct ScratchFolder {
    ScratchFolder();
    ~ScratchFolder();
    std::filesystem::path path;
};

// A tmpfs of `bytes` on a scratch folder, in a mount namespace of the test
// process's own (as an ordinary user, inside a user namespace where the user
// is root); `skipReason` says why not where this machine cannot make one.
struct SmallFileSystem : ScratchFolder {
    explicit SmallFileSystem(std::size_t bytes);
    ~SmallFileSystem();
    void Fill() const;
    void MakeReadOnly() const;
    std::string skipReason;
};

}  // namespace tamro::testing
