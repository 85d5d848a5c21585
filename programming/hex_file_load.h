#pragma once
// Loading the HEX file the panel names into the session's images (file open,
// HEX set, the end of a tool run).
//
// A file that does not load leaves the previous file loaded, under its name:
// the HEX file name and the file box go back to what they named before. What
// a file does not configure takes the device group's defaults, never the
// previous file's values. While a request of the session runs nothing is
// loaded: the image it writes or compares stays as it is.

#include <optional>
#include <string>

#include "images/hex_loader.h"
#include "programming/programmer_session.h"

namespace tamro {

struct HexFileLoadResult {
    enum class Kind { Loaded, Failed, Refused } kind = Kind::Refused;
    std::string file;        // the file the load read
    HexLoadOutcome outcome;  // what the loader reports (texts to show, the failure)
    // Failed: what the file box shows again, when it showed the failed file.
    std::optional<std::string> fileBoxText;
};

class HexFileLoad {
  public:
    explicit HexFileLoad(const ProgrammerSession& session) : session_(session) {}

    // The file box is about to name another file; it showed `shownBefore`.
    void FileBoxRenamed(std::string shownBefore) { fileBoxBeforeRename_ = std::move(shownBefore); }

    // Loads `hexFileName` into `images`; on failure puts the name of the file
    // still loaded back into `hexFileName`. `fileBoxText` is what the file box
    // shows now.
    HexFileLoadResult Load(std::string& hexFileName, const std::string& fileBoxText,
                           Images& images);

    // The file the last successful load read; empty before the first.
    const std::string& LoadedFile() const { return loadedFile_; }
    // What that load set the last address to ("3FFF").
    const std::string& LoadedLastAddressText() const { return loadedLastAddress_; }
    // The configuration bytes no longer hold what that load gave them: they
    // were typed in (or read from a chip) since.
    bool ConfigurationChanged(const Images& images) const;
    // Loads that file again into `images` under the session's present group
    // values, all or nothing, also while a request of the session runs: the
    // session reloads it when it switches the group before a chip change.
    HexFileLoadResult Reload(Images& images);

  private:
    HexFileLoadResult LoadFile(const std::string& file, Images& images);

    const ProgrammerSession& session_;
    std::string loadedFile_;
    std::string fileBoxBeforeRename_;
    std::string loadedLastAddress_;
    ConfigBytes loadedConfig_{};
};

}  // namespace tamro
