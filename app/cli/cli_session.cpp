#include "app/cli/cli_session.h"

#include <iostream>

#include "common/file_io.h"
#include "common/number_text.h"
#include "link/driver_table.h"
#include "link/link.h"

namespace tamro::cli {
namespace {

std::string Bytes(const std::uint8_t* buffer, std::int32_t count) {
    std::string text;
    for (std::int32_t i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += HexByte2(buffer[i]);
    }
    return text;
}

// A value as the panel's INI file holds it: texts with leading or trailing
// blanks are quoted.
std::string Unquoted(std::string value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

std::string StoredSettingValue(std::string_view text, std::string_view section,
                               std::string_view key) {
    const std::string sectionLine = "[" + std::string(section) + "]";
    const std::string keyStart = std::string(key) + "=";
    std::string_view current;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.starts_with('[')) {
            current = line;
        } else if (current == sectionLine && line.starts_with(keyStart)) {
            return Unquoted(std::string(line.substr(keyStart.size())));
        }
    }
    return "";
}

std::string StoredPanelSettings::Read(const std::string& application, const std::string& section,
                                      const std::string& key) {
    if (folder_.empty()) return "";
    // Read only when it is a regular file of a sane size: a FIFO, a device or
    // a huge file in its place would hold or exhaust the tool at start.
    const std::string path = (folder_ / application / (application + ".conf")).string();
    const FileReadResult read = ReadRegularFile(path, kMaxSettingsFileBytes);
    if (!read.ok()) {
        if (read.problem != FileProblem::Missing && refused_.insert(path).second) {
            warnings_ << "tamro18-cli: settings file " << path << " refused (" << read.reason
                      << "); the defaults are used\n";
        }
        return "";
    }
    return StoredSettingValue(read.bytes, section, key);
}

std::int32_t TracingDriver::DataWrite(const std::uint8_t* buffer, std::int32_t count) {
    trace_ << Bytes(buffer, count) << " -> ";
    const std::int32_t written = inner_.DataWrite(buffer, count);
    if (written != count) trace_ << "failed\n";
    return written;
}

std::int32_t TracingDriver::DataRead(std::uint8_t* buffer, std::int32_t count) {
    const std::int32_t read = inner_.DataRead(buffer, count);
    trace_ << (read == count ? Bytes(buffer, count) : "failed") << '\n';
    return read;
}

CliFailure LinkFailureOf(const ProgrammerSession& session) {
    std::string text = "the exchange with the programmer failed";
    // What the panel's box says of it.
    std::string driverText;
    if (const std::optional<LinkFailure> failure = session.LastLinkFailure()) {
        switch (*failure) {
            case LinkFailure::WriteFailed:
                text = "the packet could not be sent to the programmer";
                driverText = "USB Write Error";
                break;
            case LinkFailure::ShortRead:
                text = "the programmer's reply was cut short";
                driverText = "USB Read Error";
                break;
            case LinkFailure::TimedOut:
                text = "no reply from the programmer";
                driverText = "USB Read Error";
                break;
            case LinkFailure::NotOpen:
                text = "the link to the programmer is closed";
                break;
        }
    }
    return {FailureKind::Link, text, driverText};
}

std::optional<CliFailure> CliSession::Open(const std::string& setting,
                                           const std::string& tracePath) {
    std::string driverError;
    backend_ = MakeDriver(setting, driverOptions_, &driverError);
    if (!backend_) return CliFailure{FailureKind::Link, "Unit not Found: " + driverError, {}};
    DriverLibrary* driver = backend_.get();
    if (!tracePath.empty()) {
        traceFile_.open(tracePath, std::ios::trunc);
        if (!traceFile_) return FileFailure(FileUse::Write, tracePath, SystemReason());
        tracing_ = std::make_unique<TracingDriver>(*backend_, traceFile_);
        driver = tracing_.get();
    }
    session_ = std::make_unique<ProgrammerSession>(*driver, messages_, settings_);
    if (const std::int32_t opened = session_->Open(); opened != 0) {
        return CliFailure{
            FailureKind::Link,
            "Unit not Found: " + OpenFailureText(DescribeOpenFailure(setting, *backend_)),
            "Driver Open:" + DriverResultText(opened)};
    }
    return std::nullopt;
}

}  // namespace tamro::cli
