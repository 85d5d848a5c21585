#include "programming/cli_commands.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

#include "common/number_text.h"
#include "images/hex_writer.h"
#include "link/driver_table.h"
#include "link/link.h"
#include "programming/device.h"
#include "programming/programmer_session.h"

namespace tamro {
namespace {

struct CommandLine {
    std::string command;
    std::vector<std::string> positional;
    std::string device;
    std::string driver;
    bool driverGiven = false;
    std::string trace;
    std::string last = "3FFF";
    bool force = false;
    bool allowProtect = false;
};

// Failures of the command line itself, reported with their one-line reason.
struct UsageError {
    std::string reason;
};

CommandLine Parse(const std::vector<std::string>& args) {
    CommandLine line;
    line.command = args.empty() ? "" : args[0];
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) throw UsageError{word + " needs a value"};
            return args[++i];
        };
        if (word == "--device") {
            line.device = value();
        } else if (word == "--driver") {
            line.driver = value();
            line.driverGiven = true;
        } else if (word == "--trace") {
            line.trace = value();
        } else if (word == "--last" && line.command == "read") {
            line.last = value();
        } else if (word == "--force") {
            line.force = true;
        } else if (word == "--allow-protect") {
            line.allowProtect = true;
        } else if (word.starts_with("--")) {
            throw UsageError{"unknown option " + word};
        } else {
            line.positional.push_back(word);
        }
    }
    const std::size_t wanted = line.command == "id" || line.command == "erase" ? 0 : 1;
    if (line.positional.size() != wanted) {
        throw UsageError{wanted ? line.command + " needs one file name"
                                : line.command + " takes no file name"};
    }
    return line;
}

// The device group the panel would select at its next start: the DEVICE
// setting of application "TAMRO18", section "DATA", in the panel's INI file.
int StoredDeviceOption() {
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
        folder = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        folder = std::string(home) + "/.config";
    } else {
        return kOption452;
    }
    std::ifstream file(folder + "/TAMRO18/TAMRO18.conf");
    std::string text, section;
    while (std::getline(file, text)) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.starts_with("[")) {
            section = text;
        } else if (section == "[DATA]" && text.starts_with("DEVICE=")) {
            std::string value = text.substr(7);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            return OptionFromStoredDevice(value);
        }
    }
    return kOption452;
}

int DeviceOption(const std::string& device) {
    if (device.empty()) return StoredDeviceOption();
    if (device == "18F452") return kOption452;
    if (device == "18F4520") return kOption4520;
    throw UsageError{"unknown device " + device + " (18F452 or 18F4520)"};
}

// Writes one line per exchange: the packet, " -> ", then the reply or "failed".
class TracingDriver final : public DriverLibrary {
  public:
    TracingDriver(DriverLibrary& inner, std::ostream& trace) : inner_(inner), trace_(trace) {}
    std::int32_t Open() override { return inner_.Open(); }
    void Close() override { inner_.Close(); }
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        trace_ << Bytes(buffer, count) << " -> ";
        const std::int32_t written = inner_.DataWrite(buffer, count);
        if (written != count) trace_ << "failed\n";
        return written;
    }
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override {
        const std::int32_t read = inner_.DataRead(buffer, count);
        trace_ << (read == count ? Bytes(buffer, count) : "failed") << '\n';
        return read;
    }

  private:
    static std::string Bytes(const std::uint8_t* buffer, std::int32_t count) {
        std::string text;
        for (std::int32_t i = 0; i < count; ++i) {
            if (i) text += ' ';
            text += HexByte2(buffer[i]);
        }
        return text;
    }
    DriverLibrary& inner_;
    std::ostream& trace_;
};

// Link failures go to the terminal as the reason line; the operation stops.
class TerminalMessages final : public MessageBoxes {
  public:
    void Show(MessageIcon, const std::string& title, const std::string& text) override {
        ++shown;
        last = title + ": " + text;
    }
    // Nothing here asks: the tool never closes under a running operation.
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void Beep() override {}
    int shown = 0;
    std::string last;
};

// The tool keeps no settings: the device group comes from the command line or
// the panel's stored selection, read above.
class NoSettings final : public SettingsStore {
  public:
    std::string Read(const std::string&, const std::string&, const std::string&) override {
        return "";
    }
    void Write(const std::string&, const std::string&, const std::string&,
               const std::string&) override {}
};

// Shows each NotesLabel caption as a line and the progress of long operations.
class TerminalView final : public OperationView {
  public:
    TerminalView(std::ostream& out, bool showProgress) : out_(out), showProgress_(showProgress) {}
    void SetNotesColour(Rgb) override {}
    void SetNotesCaption(const std::string& caption) override {
        EndProgressLine();
        if (!caption.empty()) out_ << caption << '\n';
    }
    void SetDeviceText(const std::string& text) override { deviceText = text; }
    void SetCurrentAddress(const std::string& text) override { currentAddress = text; }
    void SetVccCaption(const std::string&) override {}
    void SetLedCaption(const std::string&) override {}
    void SetProgress(int done, int total) override {
        if (!showProgress_) return;
        if (total == 0) return EndProgressLine();
        if (done != total && done % 64 != 1) return;
        std::fprintf(stderr, "\r  %s %d/%d", currentAddress.c_str(), done, total);
        std::fflush(stderr);
        progressShown_ = true;
    }
    void ProcessPendingEvents() override {}

    std::string deviceText;
    std::string currentAddress;

  private:
    void EndProgressLine() {
        if (!progressShown_) return;
        std::fputc('\n', stderr);
        progressShown_ = false;
    }
    std::ostream& out_;
    bool showProgress_;
    bool progressShown_ = false;
};

}  // namespace

bool IsProgrammingCommand(const std::string& name) {
    return name == "id" || name == "erase" || name == "write" || name == "verify" ||
           name == "read" || name == "read-eeprom";
}

std::string ProgrammingUsage() {
    return "  id | erase | write FILE | verify FILE | read OUT.hex [--last X] | "
           "read-eeprom OUT.bin\n"
           "    [--device 18F452|18F4520] [--driver SETTING] [--trace FILE]\n"
           "    [--force] (go on with a device no group is known to serve)\n"
           "    [--allow-protect] (write a configuration that turns on protection)\n";
}

int RunProgrammingCommand(const std::vector<std::string>& args, const HexLoadFunction& loadHex,
                          std::ostream& out, std::ostream& err) {
    CommandLine line;
    DeviceGroup group;
    try {
        line = Parse(args);
        group = GroupOfOption(DeviceOption(line.device));
    } catch (const UsageError& error) {
        err << error.reason << '\n';
        return 2;
    }

    const std::string setting = line.driverGiven ? line.driver : DriverSettingFromEnvironment();
    std::string driverError;
    std::unique_ptr<DriverLibrary> backend = MakeDriver(setting, &driverError);
    if (!backend) {
        err << "link failure: " << driverError << '\n';
        return 1;
    }
    std::ofstream traceFile;
    std::unique_ptr<TracingDriver> tracing;
    DriverLibrary* driver = backend.get();
    if (!line.trace.empty()) {
        traceFile.open(line.trace, std::ios::trunc);
        if (!traceFile) {
            err << "file error: cannot write " << line.trace << '\n';
            return 1;
        }
        tracing = std::make_unique<TracingDriver>(*backend, traceFile);
        driver = tracing.get();
    }
    TerminalMessages messages;
    NoSettings settings;
    ProgrammerSession session(*driver, messages, settings);
    if (const std::int32_t opened = session.Open(); opened != 0) {
        err << "link failure: Unit not Found " << DriverResultText(opened) << " ("
            << OpenFailureText(DescribeOpenFailure(setting, *backend)) << ")\n";
        return 1;
    }
    session.UseDeviceGroup(group);
    Images& images = session.images();
    TerminalView view(out, isatty(STDERR_FILENO) == 1);
    session.SetView(&view);
    // The tool asks nothing: its options answer the session's questions.
    std::string declined;
    session.SetConfirmation([&](Question question, const std::string& text) {
        const bool yes = question == Question::UnknownDevice ? line.force : line.allowProtect;
        if (!yes) declined = text;
        return yes;
    });
    int failureStatus = 1;

    std::string failure;
    const std::string& command = line.command;
    const std::string file = line.positional.empty() ? "" : line.positional[0];
    auto outcome = [&](OperationResult result) {
        if (result == OperationResult::LinkFailed) {
            failure = "link failure: " + messages.last;
        } else if (result == OperationResult::DeviceRefused) {
            failureStatus = kExitDeviceRefused;
            failure = "device check: " + (declined.empty() ? messages.last : declined) +
                      (declined.empty() ? "" : " (--force goes on)");
        } else if (result == OperationResult::Declined) {
            failure = "not written: " + declined + " (--allow-protect writes it)";
        } else if (result == OperationResult::VerifyMismatch) {
            failure = "verify mismatch at word " +
                      HexText(static_cast<std::uint32_t>(session.MismatchWord())) + "h";
        } else if (result != OperationResult::Completed) {
            failure = "operation refused";
        }
        return failure.empty();
    };
    auto load = [&] {
        if (!loadHex) {
            failure = "file error: no HEX loader";
            return false;
        }
        const HexLoadOutcome loaded = loadHex(file, images);
        if (!loaded.ok) {
            failure = "file error: " + file + ": " + loaded.errorText;
            return false;
        }
        // Configuration bytes the file does not hold are the group's defaults.
        ConfigBytes defaults{};
        std::copy_n(session.groupValues().defaultConfig.begin(), defaults.size(), defaults.begin());
        ApplyConfigurationDefaults(images, defaults);
        return true;
    };

    if (command == "id") {
        session.ReadDeviceId();
        if (messages.shown) {
            failure = "link failure: " + messages.last;
        } else {
            out << view.deviceText << '\n';
        }
    } else if (command == "erase") {
        outcome(session.Erase());
    } else if (command == "write") {
        if (load()) outcome(session.Write(images.lastAddress));
    } else if (command == "verify") {
        if (load()) outcome(session.Verify());
    } else if (command == "read") {
        if (outcome(session.ReadProgram(HexValue16(line.last)))) {
            const int last = HexValue16(line.last);
            const int lastWord = last < 0 ? 3 : std::min(last, kLastProgramWord);
            std::string error;
            if (!WriteIntelHexFile(file, images, {HexRegions::FlashOnly, lastWord, {}}, &error)) {
                failure = "file error: " + error;
            }
        }
    } else if (command == "read-eeprom") {
        if (outcome(session.ReadEeprom())) {
            std::ofstream binary(file, std::ios::binary | std::ios::trunc);
            binary.write(reinterpret_cast<const char*>(images.eeprom.data()),
                         std::min<int>(session.groupValues().eepromLast, 255) + 1);
            if (!binary) failure = "file error: cannot write " + file;
        }
    } else {
        failure = "unknown command " + command;
    }
    session.Shutdown();
    out << session.Exchanges() << " exchanges\n";
    if (!failure.empty()) {
        err << failure << '\n';
        return failureStatus;
    }
    return 0;
}

}  // namespace tamro
