#include "images/hex_loader.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <istream>
#include <memory>

#include "common/number_text.h"

namespace tamro {
namespace {

// No valid record is longer than ":" + 2 * (5 + 255) digits; anything longer
// is kept only up to this length and then counts as corrupt.
constexpr std::size_t kLongestItem = 1024;

constexpr std::int16_t kStartUnset = -1;  // FFFFh

// Where the file's bytes come from: an open file or a stream.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes; 0 at end of input or on a read error.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
    virtual bool Failed() const = 0;
};

class FileSource final : public ByteSource {
  public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    std::size_t Read(char* buffer, std::size_t size) override {
        return std::fread(buffer, 1, size, file_);
    }
    bool Failed() const override { return std::ferror(file_) != 0; }

  private:
    std::FILE* file_;
};

class StreamSource final : public ByteSource {
  public:
    explicit StreamSource(std::istream& stream) : stream_(stream) {}
    std::size_t Read(char* buffer, std::size_t size) override {
        stream_.read(buffer, static_cast<std::streamsize>(size));
        return static_cast<std::size_t>(stream_.gcount());
    }
    bool Failed() const override { return stream_.bad(); }

  private:
    std::istream& stream_;
};

// Reads a text file item by item: an item ends at a line end (LF, CR LF or a
// lone CR) or at a comma; leading and trailing blanks are dropped.
class ItemReader {
  public:
    explicit ItemReader(ByteSource& source) : source_(source) {}

    // False at end of file (or on a read error, see Failed()).
    bool Next(std::string& item, bool& overlong) {
        item.clear();
        overlong = false;
        if (!Fill()) return false;
        bool leading = true;
        for (;;) {
            if (!Fill()) break;
            const char c = buffer_[position_++];
            if (c == '\n' || c == ',') break;
            if (c == '\r') {
                if (Fill() && buffer_[position_] == '\n') ++position_;
                break;
            }
            if (leading && (c == ' ' || c == '\t')) continue;
            leading = false;
            if (item.size() < kLongestItem) {
                item.push_back(c);
            } else {
                overlong = true;
            }
        }
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.pop_back();
        return true;
    }

    bool Failed() const { return failed_; }

  private:
    bool Fill() {
        if (position_ < length_) return true;
        if (failed_ || atEnd_) return false;
        length_ = source_.Read(buffer_.data(), buffer_.size());
        position_ = 0;
        if (length_ == 0) {
            if (source_.Failed()) failed_ = true;
            atEnd_ = true;
            return false;
        }
        return true;
    }

    ByteSource& source_;
    std::array<char, 65536> buffer_{};
    std::size_t length_ = 0;
    std::size_t position_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

struct Record {
    int count = 0;
    std::int16_t address = 0;  // signed, as the 4-digit field reads
    int type = 0;
    // Byte count, address, type, data and checksum.
    std::array<std::uint8_t, 5 + 255> bytes{};
    std::uint8_t Data(int i) const { return bytes[4 + static_cast<std::size_t>(i)]; }
};

// Decodes ":nnaaaatt<data>cc". False for bad digits, a length that does not
// fit the byte count, or a wrong checksum.
bool DecodeRecord(const std::string& item, Record& record) {
    const std::size_t digits = item.size() - 1;
    if (digits < 10 || digits % 2 != 0 || digits / 2 > record.bytes.size()) return false;
    const std::size_t length = digits / 2;
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const int high = HexDigit(item[1 + 2 * i]);
        const int low = HexDigit(item[2 + 2 * i]);
        if (high < 0 || low < 0) return false;
        record.bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
        sum += record.bytes[i];
    }
    record.count = record.bytes[0];
    if (length != static_cast<std::size_t>(record.count) + 5) return false;
    if (sum % 256 != 0) return false;
    record.address = static_cast<std::int16_t>(
        static_cast<std::uint16_t>(record.bytes[1] << 8 | record.bytes[2]));
    record.type = record.bytes[3];
    return true;
}

enum class Region { Program, Config, Skipped };

constexpr int kTypeEnd = 0x01;
constexpr int kTypeSegmentAddress = 0x02;
constexpr int kTypeSegmentStart = 0x03;
constexpr int kTypeLinearAddress = 0x04;
constexpr int kTypeLinearStart = 0x05;
constexpr int kUpperProgram = 0x0000;
constexpr int kUpperConfig = 0x0030;

std::int16_t HalfRounded(int value) {
    return static_cast<std::int16_t>(std::nearbyint(value / 2.0));
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// One load's reading state; Read() is false on a failure.
struct Loading {
    Images& images;
    HexLoadOutcome& outcome;
    std::int16_t start = kStartUnset;
    int lastStoredByte = -1;  // none yet

    bool Read(ItemReader& reader) {
        Region region = Region::Program;
        std::string item;
        item.reserve(kLongestItem);
        bool overlong = false;
        Record record;
        while (reader.Next(item, overlong)) {
            if (region != Region::Config) outcome.text2 = item;
            if (item.empty() || item[0] != ':') return true;
            if (overlong || !DecodeRecord(item, record)) return false;
            if (record.type == kTypeEnd) return true;

            const bool mayTakeStart = region != Region::Config && start == kStartUnset;
            if (record.type == kTypeLinearAddress) {
                if (record.count != 2) return false;
                const int upper = record.Data(0) << 8 | record.Data(1);
                const Region next = upper == kUpperConfig    ? Region::Config
                                    : upper == kUpperProgram ? Region::Program
                                                             : Region::Skipped;
                if (mayTakeStart && next != Region::Config) start = record.address;
                region = next;
                if (region == Region::Config) outcome.configSeen = true;
                continue;
            }
            if (record.type == kTypeSegmentAddress || record.type == kTypeSegmentStart ||
                record.type == kTypeLinearStart) {
                if (mayTakeStart && region == Region::Program) start = record.address;
                continue;
            }
            if (region == Region::Skipped) continue;
            if (region == Region::Config) {
                for (int i = 0; i < record.count; ++i) {
                    const int index = record.address + i;
                    if (index < 0 || index >= kConfigEntries) return false;
                    images.config[index] = record.Data(i);
                }
                continue;
            }
            if (mayTakeStart) start = record.address;
            for (int i = 0; i < record.count; ++i) {
                const int index = record.address + i;
                if (index < 0 || index >= kProgramBytes) return false;
                images.program[index] = record.Data(i);
                lastStoredByte = index;
            }
            if (lastStoredByte > 2 * images.lastAddress) {
                images.lastAddress = HalfRounded(lastStoredByte);
            }
        }
        return !reader.Failed();
    }

    // Text_ADMON after the last stored program byte.
    void ShowLastByte() {
        if (lastStoredByte < 0) return;
        outcome.textAdmon =
            std::to_string(lastStoredByte) + "  " + std::to_string(images.program[lastStoredByte]);
    }
};

// Reads the opened file into `images` (already reset) and fills the outcome.
HexLoadOutcome LoadFrom(ByteSource& source, Images& images) {
    HexLoadOutcome outcome;
    ItemReader reader(source);
    Loading loading{images, outcome};
    const bool read = loading.Read(reader);
    loading.ShowLastByte();
    if (!read) return outcome;

    images.haveData = 1;
    outcome.ok = true;
    outcome.lastAddressText = HexText16(images.lastAddress);
    outcome.startAddressText = HexText16(HalfRounded(loading.start));
    return outcome;
}

void ResetProgram(Images& images) {
    images.program.fill(0xFF);
    images.lastAddress = 0;
}

}  // namespace

HexLoadOutcome HEX_LOAD(const std::filesystem::path& hexFileName, Images& images) {
    ResetProgram(images);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(hexFileName.c_str(), "rb"));
    if (!file) return HexLoadOutcome{};
    FileSource source(file.get());
    return LoadFrom(source, images);
}

HexLoadOutcome HEX_LOAD(std::istream& hexText, Images& images) {
    ResetProgram(images);
    StreamSource source(hexText);
    return LoadFrom(source, images);
}

void ShowHexFileError(MessageBoxes& messageBoxes) {
    messageBoxes.Show(MessageIcon::Critical, kFileErrorTitle, kFileErrorText);
}

}  // namespace tamro
