#pragma once
// Follows the HEX file the images were loaded from, so that the panel can load
// it again when an assembler has written it anew since.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tamro {

class HexFileWatch {
  public:
    // The images now hold `path` as it is on disk.
    void Loaded(const std::string& path);
    void Forget();
    const std::string& File() const { return file_; }
    // The file has been changed, replaced or removed since it was loaded.
    bool Changed() const;
    // For following the file as it changes: true once the changed file has
    // looked the same on two polls in a row, so a file still being written
    // is not taken.
    bool PollSettledChange();

  private:
    struct Look {
        std::filesystem::file_time_type modified;
        std::uintmax_t size = 0;
        bool operator==(const Look&) const = default;
    };
    static std::optional<Look> LookOf(const std::string& path);

    std::string file_;
    std::optional<Look> loaded_;
    std::optional<Look> polled_;
    std::optional<Look> reported_;
};

}  // namespace tamro
