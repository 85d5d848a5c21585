#pragma once
// Writing HEX files for the loader's tests.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tamro::testing {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Writes `content` byte for byte into a file of this folder.
    std::filesystem::path Write(const std::string& name, const std::string& content) const;

  private:
    std::filesystem::path path_;
};

// One Intel HEX record with a correct checksum (upper-case digits).
std::string Record(int type, int address, const std::vector<std::uint8_t>& data);
std::string DataRecord(int address, const std::vector<std::uint8_t>& data);
std::string UpperAddressRecord(int upper);
inline const std::string kEndRecord = ":00000001FF";

// Lines joined with LF.
std::string Lines(const std::vector<std::string>& lines);

// True when a program of that name is on the PATH.
bool HaveProgram(const std::string& name);

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);

}  // namespace tamro::testing
