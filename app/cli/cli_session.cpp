#include "app/cli/cli_session.h"

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

void TerminalMessages::Show(MessageIcon, const std::string& title, const std::string& text) {
    ++shown;
    last = title + ": " + text;
}

std::string StoredPanelSettings::Read(const std::string& application, const std::string& section,
                                      const std::string& key) {
    if (folder_.empty()) return "";
    std::ifstream file(folder_ / application / (application + ".conf"));
    const std::string sectionLine = "[" + section + "]";
    const std::string keyStart = key + "=";
    std::string text, current;
    while (std::getline(file, text)) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.starts_with("[")) {
            current = text;
        } else if (current == sectionLine && text.starts_with(keyStart)) {
            return Unquoted(text.substr(keyStart.size()));
        }
    }
    return "";
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

bool CliSession::Open(const std::string& setting, const std::string& tracePath, std::ostream& err) {
    std::string driverError;
    backend_ = MakeDriver(setting, driverOptions_, &driverError);
    if (!backend_) {
        err << "link failure: " << driverError << '\n';
        return false;
    }
    DriverLibrary* driver = backend_.get();
    if (!tracePath.empty()) {
        traceFile_.open(tracePath, std::ios::trunc);
        if (!traceFile_) {
            err << "file error: cannot write " << tracePath << '\n';
            return false;
        }
        tracing_ = std::make_unique<TracingDriver>(*backend_, traceFile_);
        driver = tracing_.get();
    }
    session_ = std::make_unique<ProgrammerSession>(*driver, messages_, settings_);
    if (const std::int32_t opened = session_->Open(); opened != 0) {
        err << "link failure: Unit not Found " << DriverResultText(opened) << " ("
            << OpenFailureText(DescribeOpenFailure(setting, *backend_)) << ")\n";
        return false;
    }
    return true;
}

}  // namespace tamro::cli
