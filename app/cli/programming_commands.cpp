#include "app/cli/programming_commands.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <ostream>
#include <span>

#include "common/arguments.h"
#include "common/number_text.h"
#include "images/checksum.h"
#include "images/hex_writer.h"
#include "programming/device.h"
#include "programming/hex_file_load.h"
#include "programming/programmer_session.h"

namespace tamro::cli {
namespace {

struct CommandLine {
    std::string command;
    std::vector<std::string> positional;
    std::optional<DeviceGroup> device;  // nothing: the panel's stored selection
    std::optional<std::string> driver;
    std::string trace;
    std::string last;  // empty: the device's last program word
    bool force = false;
    bool allowProtect = false;
    bool flashOnly = false;
};

// The group whose sequences serve a device of the table, by its name.
std::optional<DeviceGroup> DeviceNamed(const std::string& device) {
    const devices::Device* entry = devices::Table().Find(device);
    if (!entry || !entry->Served()) return std::nullopt;
    return GroupOfFamily(entry->family);
}

// The reason line when the command line is refused.
std::optional<std::string> Parse(const std::vector<std::string>& args, CommandLine& line) {
    line.command = args.empty() ? "" : args[0];
    std::optional<std::string> deviceName;
    ArgumentRules rules{{{"--device", {}, [&](const std::string& value) { deviceName = value; }},
                         {"--driver", {}, [&](const std::string& value) { line.driver = value; }},
                         {"--trace", {}, [&](const std::string& value) { line.trace = value; }},
                         {"--force", [&] { line.force = true; }, {}},
                         {"--allow-protect", [&] { line.allowProtect = true; }, {}}},
                        [&](const std::string& word) {
                            if (word.starts_with("--"))
                                throw ArgumentError{"unknown option " + word};
                            line.positional.push_back(word);
                        }};
    if (line.command == "read") {
        rules.options.push_back(
            {"--last", {}, [&](const std::string& value) { line.last = value; }});
        rules.options.push_back({"--flash-only", [&] { line.flashOnly = true; }, {}});
    }
    const std::span<const std::string> words(args);
    if (auto refused =
            ParseArguments(words.subspan(std::min<std::size_t>(1, args.size())), rules)) {
        return refused;
    }
    const std::size_t wanted =
        line.command == "id" || line.command == "erase" || line.command == "blank-check" ? 0 : 1;
    if (line.positional.size() != wanted) {
        return wanted ? line.command + " needs one file name"
                      : line.command + " takes no file name";
    }
    const HexReading last = ReadHex(line.last);
    if (!line.last.empty() &&
        (last.digits == 0 || last.digits > 4 || last.value < 0 || last.value > 0x7FFF ||
         last.digits != static_cast<int>(line.last.size()))) {
        return "--last takes a hexadecimal word address 0 to 7FFF, not " + line.last;
    }
    if (deviceName) {
        line.device = DeviceNamed(*deviceName);
        if (!line.device) return "unknown device " + *deviceName + " (18F452 or 18F4520)";
    }
    return std::nullopt;
}

// Shows each NotesLabel caption as a line and the progress of long operations.
class TerminalView final : public OperationView {
  public:
    TerminalView(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}
    void SetNotesColour(Rgb) override {}
    void SetNotesCaption(const std::string& caption) override {
        EndProgressLine();
        if (!caption.empty()) out_ << caption << '\n';
    }
    void SetDeviceText(const std::string& text) override { deviceText = text; }
    void SetCurrentAddress(const std::string& text) override { currentAddress = text; }
    void SetVccCaption(const std::string&) override {}
    void SetLedCaption(const std::string&) override {}
    // On a terminal a bar redrawn in place; otherwise one line per tenth.
    void SetProgress(int done, int total) override {
        if (total == 0) return EndProgressLine();
        const int tenth = done * 10 / total;
        if (!terminal_) {
            if (tenth > lastTenth_) std::fprintf(stderr, "%d%%\n", tenth * 10);
            lastTenth_ = done == total ? -1 : tenth;
            return;
        }
        if (done != total && done % 64 != 1) return;
        const int filled = done * 40 / total;
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                     std::string(40 - filled, ' ').c_str(), done * 100 / total);
        std::fflush(stderr);
        progressShown_ = true;
    }
    void ProcessPendingEvents() override {}

    std::string deviceText;
    std::string currentAddress;

  private:
    void EndProgressLine() {
        lastTenth_ = 0;
        if (!progressShown_) return;
        std::fputc('\n', stderr);
        progressShown_ = false;
    }
    std::ostream& out_;
    bool terminal_;
    bool progressShown_ = false;
    int lastTenth_ = 0;
};

}  // namespace

bool IsProgrammingCommand(const std::string& name) {
    return name == "id" || name == "erase" || name == "blank-check" || name == "write" ||
           name == "verify" || name == "read" || name == "read-eeprom";
}

std::string ProgrammingUsage() {
    return "  id | erase | blank-check | write FILE | verify FILE | read-eeprom OUT.bin\n"
           "  read OUT.hex [--last X] [--flash-only] (the whole chip; --last ends the flash)\n"
           "    [--device 18F452|18F4520] [--driver SETTING] [--trace FILE]\n"
           "    [--force] (go on with a device no group is known to serve)\n"
           "    [--allow-protect] (write a configuration that turns on protection)\n";
}

int RunProgrammingCommand(const std::vector<std::string>& args, const CliEnvironment& environment,
                          std::ostream& out, std::ostream& err) {
    CommandLine line;
    if (auto refused = Parse(args, line)) {
        err << *refused << '\n';
        return 2;
    }

    const std::string file = line.positional.empty() ? "" : line.positional[0];
    // An output file that cannot be written fails before anything is read from the chip.
    if (line.command == "read" || line.command == "read-eeprom") {
        if (!std::ofstream(file, std::ios::binary | std::ios::app)) {
            err << "file error: cannot write " << file << '\n';
            return kExitFile;
        }
    }

    CliSession opened(environment);
    if (!opened.Open(line.driver.value_or(environment.driverSetting), line.trace, err)) {
        return kExitLink;
    }
    ProgrammerSession& session = opened.session();
    const TerminalMessages& messages = opened.messages();
    session.UseDeviceGroup(line.device.value_or(session.StoredDeviceGroup()));
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
    int failureStatus = kExitLink;

    std::string failure;
    const std::string& command = line.command;
    auto outcome = [&](OperationResult result) {
        if (result == OperationResult::LinkFailed) {
            failure = "link failure: " + messages.last;
        } else if (result == OperationResult::DeviceRefused) {
            failureStatus = kExitDeviceRefused;
            failure = "device check: " + (declined.empty() ? messages.last : declined) +
                      (declined.empty() ? "" : " (--force goes on)");
        } else if (result == OperationResult::Declined) {
            failureStatus = kExitDeviceRefused;
            failure = "not written: " + declined + " (--allow-protect writes it)";
        } else if (result == OperationResult::VerifyMismatch) {
            failureStatus = kExitVerifyDifference;
            const std::vector<Difference>& differences = session.Differences();
            failure = "verify: " + std::to_string(differences.size()) + " difference" +
                      (differences.size() == 1 ? "" : "s");
            for (std::size_t i = 0; i < std::min<std::size_t>(differences.size(), 10); ++i) {
                failure += "\n  " + DifferenceText(differences[i]);
            }
        } else if (result == OperationResult::NotBlank) {
            failureStatus = kExitNotBlank;
            failure = "not blank";
        } else if (result != OperationResult::Completed) {
            failure = "operation refused";
        }
        return failure.empty();
    };
    auto load = [&] {
        std::string hexFileName = file;
        const HexFileLoadResult loaded = HexFileLoad(session).Load(hexFileName, "", images);
        if (loaded.kind != HexFileLoadResult::Kind::Loaded) {
            failureStatus = kExitFile;
            failure = "file error: " + file + ": " + loaded.outcome.errorText;
        }
        return loaded.kind == HexFileLoadResult::Kind::Loaded;
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
    } else if (command == "blank-check") {
        const OperationResult result = session.BlankCheck();
        if (result == OperationResult::Completed || result == OperationResult::NotBlank) {
            out << BlankCheckText(session.BlankReport());
        }
        outcome(result);
    } else if (command == "read") {
        // Bytes beyond --last stay erased, as a HEX load leaves them.
        images.program.fill(0xFF);
        const std::int16_t last =
            line.last.empty() ? session.groupValues().lastAddress : HexValue16(line.last);
        if (outcome(session.ReadProgram(last)) &&
            (line.flashOnly || outcome(session.ReadEeprom()))) {
            const ConfigBytes& mask = session.groupValues().configMask;
            const HexWriteOptions options{
                line.flashOnly ? HexRegions::FlashOnly : HexRegions::WholeChip, last, mask};
            std::string error;
            if (!WriteIntelHexFile(file, images, options, &error)) {
                failureStatus = kExitFile;
                failure = "file error: " + error;
            } else {
                out << "checksum " << ChecksumText(ImageChecksum(images, mask)) << '\n';
            }
        }
    } else if (command == "read-eeprom") {
        if (outcome(session.ReadEeprom())) {
            std::ofstream binary(file, std::ios::binary | std::ios::trunc);
            binary.write(reinterpret_cast<const char*>(images.eepromRead.data()),
                         std::min<int>(session.groupValues().eepromLast, 255) + 1);
            if (!binary) {
                failureStatus = kExitFile;
                failure = "file error: cannot write " + file;
            }
        }
    }
    session.Shutdown();
    out << session.Exchanges() << " exchanges\n";
    if (!failure.empty()) {
        err << failure << '\n';
        return failureStatus;
    }
    return 0;
}

}  // namespace tamro::cli
