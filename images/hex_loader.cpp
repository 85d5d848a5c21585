#include "images/hex_loader.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <istream>
#include <memory>

#include "common/file_io.h"
#include "common/number_text.h"

namespace tamro {
namespace {

// No valid record is longer than ":" + 2 * (5 + 255) digits; a line longer
// than this (blanks included) is not a HEX file, and reading stops there, so a
// binary file or a device without line ends is never read to its end.
constexpr std::size_t kLongestLine = 1024;
// Blank lines are skipped, so the number of lines is bounded by the size.
constexpr std::uint64_t kLargestFile = std::uint64_t{64} << 20;

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

enum class ReadStatus { Item, End, LineTooLong, FileTooLarge, ReadError };

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads a text file item by item: an item ends at a line end (LF, CR LF or a
// lone CR) or at a comma; leading and trailing blanks are dropped, and so is a
// UTF-8 byte-order mark at the start of the file.
class ItemReader {
  public:
    explicit ItemReader(ByteSource& source) : source_(source) {}

    ReadStatus Next(std::string& item) {
        item.clear();
        if (!Fill()) return failed_ ? ReadStatus::ReadError : ReadStatus::End;
        itemLine_ = line_;
        std::size_t length = 0;
        for (;;) {
            if (!Fill()) break;
            const char c = buffer_[position_++];
            if (++consumed_ > kLargestFile) return ReadStatus::FileTooLarge;
            if (c == '\n' || c == ',') {
                if (c == '\n') ++line_;
                break;
            }
            if (c == '\r') {
                if (Fill() && buffer_[position_] == '\n') ++position_, ++consumed_;
                ++line_;
                break;
            }
            if (++length > kLongestLine) return ReadStatus::LineTooLong;
            if (item.empty() && IsBlank(c)) continue;
            item.push_back(c);
        }
        if (failed_) return ReadStatus::ReadError;
        if (firstItem_) {
            firstItem_ = false;
            static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
            if (item.starts_with(kByteOrderMark)) {
                item.erase(0, kByteOrderMark.size());
                while (!item.empty() && IsBlank(item.front())) item.erase(0, 1);
            }
        }
        while (!item.empty() && IsBlank(item.back())) item.pop_back();
        return ReadStatus::Item;
    }

    // The line (from 1) of the item last returned.
    int Line() const { return itemLine_; }

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
    std::uint64_t consumed_ = 0;
    int line_ = 1;
    int itemLine_ = 1;
    bool firstItem_ = true;
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
    std::uint16_t offset = 0;
    int type = 0;
    // Byte count, address, type, data and checksum.
    std::array<std::uint8_t, 5 + 255> bytes{};
    std::uint8_t Data(int i) const { return bytes[4 + static_cast<std::size_t>(i)]; }
    // The 16-bit value of an address record's two data bytes.
    std::uint32_t Value() const { return static_cast<std::uint32_t>(Data(0) << 8 | Data(1)); }
};

enum class Decoded { Ok, Malformed, Checksum };

// Decodes ":nnaaaatt<data>cc": bad digits or a length that does not fit the
// byte count make it malformed.
Decoded DecodeRecord(const std::string& item, Record& record) {
    const std::size_t digits = item.size() - 1;
    if (digits < 10 || digits % 2 != 0 || digits / 2 > record.bytes.size()) {
        return Decoded::Malformed;
    }
    const std::size_t length = digits / 2;
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const int high = HexDigit(item[1 + 2 * i]);
        const int low = HexDigit(item[2 + 2 * i]);
        if (high < 0 || low < 0) return Decoded::Malformed;
        record.bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
        sum += record.bytes[i];
    }
    record.count = record.bytes[0];
    if (length != static_cast<std::size_t>(record.count) + 5) return Decoded::Malformed;
    if (sum % 256 != 0) return Decoded::Checksum;
    record.offset = static_cast<std::uint16_t>(record.bytes[1] << 8 | record.bytes[2]);
    record.type = record.bytes[3];
    return Decoded::Ok;
}

constexpr int kTypeData = 0x00;
constexpr int kTypeEnd = 0x01;
constexpr int kTypeSegmentAddress = 0x02;
constexpr int kTypeSegmentStart = 0x03;
constexpr int kTypeLinearAddress = 0x04;
constexpr int kTypeLinearStart = 0x05;

std::int16_t HalfRounded(int value) {
    return static_cast<std::int16_t>(std::nearbyint(value / 2.0));
}

std::string HexByteText(int value) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", value & 0xFF);
    return digits;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// One load's reading state over the scratch images; Read() is false on a
// failure, with the outcome saying why.
struct Loading {
    Images& images;
    HexLoadOutcome& outcome;
    std::int16_t start = kStartUnset;
    int lastStoredByte = -1;  // none yet
    // Where the address field counts from: 02 records set a segment base
    // (value x 16, offsets wrap within the 64 KB segment as srec_cat reads
    // them), 04 records an upper address (value x 65536, no wrap).
    std::uint32_t base = 0;
    bool segmented = false;

    bool Fail(HexLoadError error, int line, const std::string& reason) {
        outcome.error = error;
        outcome.errorLine = line;
        outcome.errorText = line > 0 ? "line " + std::to_string(line) + ": " + reason : reason;
        return false;
    }

    std::uint32_t TargetAddress(const Record& record, int i) const {
        if (segmented) return base + ((record.offset + static_cast<std::uint32_t>(i)) & 0xFFFF);
        return base + record.offset + static_cast<std::uint32_t>(i);
    }

    // Puts one data byte where its target address says; false outside the device.
    bool Place(std::uint32_t address, std::uint8_t value) {
        if (address < static_cast<std::uint32_t>(images.flashBytes)) {
            images.program[address] = value;
            lastStoredByte = static_cast<int>(address);
        } else if (address - kIdBase < kIdBytes) {
            images.id[address - kIdBase] = value;
            images.idPresent[address - kIdBase] = true;
        } else if (address - kConfigBase < kConfigSize) {
            images.config[address - kConfigBase] = value;
            images.configPresent[address - kConfigBase] = true;
            outcome.configSeen = true;
        } else if (address - kEepromBase < static_cast<std::uint32_t>(images.eepromBytes)) {
            images.eeprom[address - kEepromBase] = value;
            images.eepromPresent[address - kEepromBase] = true;
        } else {
            return false;
        }
        return true;
    }

    std::string OutsideText(std::uint32_t address) const {
        const std::string where = "address " + HexText(address) + "h ";
        if (address - kEepromBase < kMaxEepromBytes && images.eepromBytes == 0) {
            return where + "is data EEPROM, and the device has none";
        }
        return where + "is outside the device";
    }

    bool Read(ItemReader& reader) {
        std::string item;
        item.reserve(kLongestLine);
        Record record;
        for (;;) {
            switch (reader.Next(item)) {
                case ReadStatus::Item:
                    break;
                case ReadStatus::End:
                    return Fail(HexLoadError::MissingEndRecord, 0,
                                "no end-of-file record (the file may be truncated)");
                case ReadStatus::LineTooLong:
                    return Fail(HexLoadError::LineTooLong, reader.Line(),
                                "line longer than any HEX record");
                case ReadStatus::FileTooLarge:
                    return Fail(HexLoadError::FileTooLarge, reader.Line(), "file too large");
                case ReadStatus::ReadError:
                    return Fail(HexLoadError::ReadError, reader.Line(), "read error");
            }
            if (item.empty()) continue;
            const int line = reader.Line();
            // Lines of the configuration region are not shown, as the panel
            // always did for the section after ":020000040030CA".
            const bool inConfigRegion = base == kConfigBase;
            if (!inConfigRegion) outcome.text2 = item;
            if (item[0] != ':') return Fail(HexLoadError::NotARecord, line, "not a HEX record");
            switch (DecodeRecord(item, record)) {
                case Decoded::Ok:
                    break;
                case Decoded::Malformed:
                    return Fail(HexLoadError::MalformedRecord, line, "malformed record");
                case Decoded::Checksum:
                    return Fail(HexLoadError::Checksum, line, "checksum");
            }
            const bool mayTakeStart = !inConfigRegion && start == kStartUnset;
            const auto offset = static_cast<std::int16_t>(record.offset);

            switch (record.type) {
                case kTypeEnd:
                    return true;
                case kTypeSegmentAddress:
                case kTypeLinearAddress:
                    if (record.count != 2) {
                        return Fail(HexLoadError::MalformedRecord, line, "malformed record");
                    }
                    segmented = record.type == kTypeSegmentAddress;
                    base = segmented ? record.Value() << 4 : record.Value() << 16;
                    if (mayTakeStart && base != kConfigBase) start = offset;
                    continue;
                case kTypeSegmentStart:
                case kTypeLinearStart:
                    if (mayTakeStart) start = offset;
                    continue;
                case kTypeData:
                    break;
                default:
                    return Fail(HexLoadError::UnknownRecordType, line,
                                "record type " + HexByteText(record.type));
            }

            if (mayTakeStart &&
                TargetAddress(record, 0) < static_cast<std::uint32_t>(images.flashBytes)) {
                start = offset;
            }
            for (int i = 0; i < record.count; ++i) {
                const std::uint32_t address = TargetAddress(record, i);
                if (!Place(address, record.Data(i))) {
                    outcome.errorAddress = address;
                    return Fail(HexLoadError::AddressOutsideDevice, line, OutsideText(address));
                }
            }
            if (lastStoredByte > 2 * images.lastAddress) {
                // A file that fills the last byte of a 64 KB device rounds to
                // word 8000h, past what the word address holds: it ends at 7FFFh.
                images.lastAddress = static_cast<std::int16_t>(
                    std::min(static_cast<int>(std::nearbyint(lastStoredByte / 2.0)),
                             kMaxProgramBytes / 2 - 1));
            }
        }
    }

    // Text_ADMON after the last stored program byte.
    void ShowLastByte() {
        if (lastStoredByte < 0) return;
        outcome.textAdmon =
            std::to_string(lastStoredByte) + "  " + std::to_string(images.program[lastStoredByte]);
    }
};

// What a file replaces: the program image and ID locations start from FFh, the
// configuration and EEPROM keep their bytes, no byte is marked present.
std::unique_ptr<Images> ScratchImages(const Images& images) {
    auto scratch = std::make_unique<Images>(images);
    scratch->program.fill(0xFF);
    scratch->programHeld = true;
    scratch->lastAddress = 0;
    scratch->id.fill(0xFF);
    scratch->idPresent.fill(false);
    scratch->eepromPresent.fill(false);
    scratch->eepromReadLast = -1;
    scratch->configPresent.fill(false);
    return scratch;
}

// Reads the source into scratch images; only a complete load replaces `images`.
HexLoadOutcome LoadFrom(ByteSource& source, Images& images) {
    HexLoadOutcome outcome;
    const std::unique_ptr<Images> scratch = ScratchImages(images);
    ItemReader reader(source);
    Loading loading{*scratch, outcome};
    const bool read = loading.Read(reader);
    loading.ShowLastByte();
    if (!read) {
        outcome.configSeen = false;
        return outcome;
    }
    scratch->haveData = 1;
    images = *scratch;
    outcome.ok = true;
    outcome.lastAddressText = HexText16(images.lastAddress);
    outcome.startAddressText = HexText16(HalfRounded(loading.start));
    return outcome;
}

}  // namespace

HexLoadOutcome HEX_LOAD(const std::filesystem::path& hexFileName, Images& images) {
    // Only a regular file is read: a FIFO or a device named in its place
    // would hold the program waiting or feed it without end.
    FileResult opened;
    const int descriptor = OpenRegularFile(hexFileName.string(), opened);
    std::unique_ptr<std::FILE, FileCloser> file(descriptor >= 0 ? ::fdopen(descriptor, "rb")
                                                                : nullptr);
    if (!file) {
        if (descriptor >= 0) ::close(descriptor);
        HexLoadOutcome outcome;
        outcome.error = HexLoadError::CannotOpen;
        outcome.errorText = opened.problem == FileProblem::NotRegular ? "not a regular file"
                                                                      : "cannot open the file";
        return outcome;
    }
    FileSource source(file.get());
    return LoadFrom(source, images);
}

HexLoadOutcome HEX_LOAD(std::istream& hexText, Images& images) {
    StreamSource source(hexText);
    return LoadFrom(source, images);
}

void ApplyConfigurationDefaults(Images& images, const ConfigBytes& defaults) {
    for (int i = 0; i < kConfigSize; ++i) {
        if (!images.configPresent[i]) images.config[i] = defaults[i];
    }
}

std::string HexLoadFailureText(const std::filesystem::path& hexFileName,
                               const HexLoadOutcome& outcome) {
    return hexFileName.filename().string() + ": " + outcome.errorText;
}

void ShowHexFileError(MessageBoxes& messageBoxes) {
    messageBoxes.Show(MessageIcon::Critical, kFileErrorTitle, kFileErrorText);
}

void ShowHexFileError(MessageBoxes& messageBoxes, const std::filesystem::path& hexFileName,
                      const HexLoadOutcome& outcome) {
    messageBoxes.Show(MessageIcon::Critical, kFileErrorTitle,
                      kFileErrorText + "\n" + HexLoadFailureText(hexFileName, outcome));
}

}  // namespace tamro
