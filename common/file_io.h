#pragma once
// Files written whole or not at all, and files read only when they are what
// they claim to be. Every file the programs write or read by name goes
// through here.

#include <cstddef>
#include <string>
#include <string_view>

namespace tamro {

// Why a file was not written or not read.
enum class FileProblem {
    None,
    NotRegular,  // a folder, a device node, a FIFO, a socket
    TooLarge,    // beyond the reader's limit
    Missing,     // no such file (or no such folder for a new one)
    Failed,      // anything else; the text says what the system said
};

struct FileResult {
    FileProblem problem = FileProblem::None;
    // "cannot write PATH: No space left on device"; empty when all went well.
    std::string error;
    // The part after the path: "No space left on device", "not a regular file".
    std::string reason;
    bool ok() const { return problem == FileProblem::None; }
};

// Replaces the file's contents with `bytes`, creating it when there is none.
// The bytes go to a new file beside it, are flushed to the disk and then
// renamed over it with the old file's permissions, so any failure leaves the
// old file as it was. A symbolic link is followed: its target is replaced and
// the link stays. Where no file can be made beside it (a folder the user may
// not write to, holding a file they may), the new size is reserved first and
// the file rewritten in place only once the space is there. Anything but a
// regular file is refused untouched.
FileResult WriteFileAtomically(const std::string& path, std::string_view bytes);

// Whether WriteFileAtomically could write `path`, without creating or changing
// anything: its folder exists, and an existing file is a regular one.
FileResult CheckWritableFile(const std::string& path);

struct FileReadResult : FileResult {
    std::string bytes;
};

// The whole file, when it is a regular file of at most `maxBytes`. It is
// opened without blocking, so a FIFO or a device named in its place is
// refused at once instead of waiting for a writer.
FileReadResult ReadRegularFile(const std::string& path, std::size_t maxBytes);

// Whether `path` could be read whole by ReadRegularFile, without reading it:
// for readers that open the file themselves (the panel's settings).
FileResult CheckReadableFile(const std::string& path, std::size_t maxBytes);

// The largest settings file the programs read; a larger one is refused with
// a warning and the defaults are used.
inline constexpr std::size_t kMaxSettingsFileBytes = 1024 * 1024;

// An open descriptor of a regular file, or -1 with `result` set; opened
// without blocking (and then switched back to blocking reads).
int OpenRegularFile(const std::string& path, FileResult& result);

}  // namespace tamro
