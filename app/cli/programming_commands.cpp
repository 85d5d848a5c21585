#include "app/cli/programming_commands.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ostream>

#include "common/arguments.h"
#include "common/file_io.h"
#include "common/number_text.h"
#include "images/checksum.h"
#include "images/hex_writer.h"
#include "programming/hex_file_load.h"
#include "programming/programmer_session.h"

namespace tamro::cli {
namespace {

using Seconds = std::chrono::duration<double>;

const char* ActionWord(StepAction action) {
    switch (action) {
        case StepAction::Erase:
            return "erased";
        case StepAction::Write:
            return "written";
        case StepAction::Verify:
            return "verified";
        case StepAction::Read:
            return "read";
    }
    return "";
}

// Follows an operation's steps to print one line per region, and shows the
// progress of long operations on standard error: a bar on a terminal, one
// line per tenth otherwise.
class TerminalView final : public OperationView {
  public:
    TerminalView(bool showProgress, bool terminal)
        : showProgress_(showProgress), terminal_(terminal) {}
    void SetNotesColour(Rgb) override {}
    void SetNotesCaption(const std::string&) override {}
    void SetDeviceText(const std::string& text) override { deviceText = text; }
    void SetCurrentAddress(const std::string&) override {}
    void SetVccCaption(const std::string&) override {}
    void SetLedCaption(const std::string&) override {}
    void ProcessPendingEvents() override {}
    void StepStarted(const OperationStep& step) override {
        EndStep();
        steps_.push_back({step, Clock::now(), {}});
    }
    void SetProgress(int done, int total) override {
        if (!showProgress_) return;
        if (total == 0) return EndProgressLine();
        const std::string what = steps_.empty() ? "" : " " + StepName(steps_.back().step);
        const int tenth = done * 10 / total;
        if (!terminal_) {
            if (tenth > lastTenth_) std::fprintf(stderr, "%d%%%s\n", tenth * 10, what.c_str());
            lastTenth_ = done == total ? -1 : tenth;
            return;
        }
        if (done != total && done % 64 != 1) return;
        const int filled = done * 40 / total;
        std::fprintf(stderr, "\r[%s%s] %3d%%%s", std::string(filled, '#').c_str(),
                     std::string(40 - filled, ' ').c_str(), done * 100 / total, what.c_str());
        std::fflush(stderr);
        progressShown_ = true;
    }

    // One line per region the steps went over, in the order first met:
    // "flash 32768 B written and verified in 2.4 s"; a chip erase is "chip
    // erased in 0.1 s". A region whose verify found differences says how many.
    std::vector<std::string> RegionLines(const std::vector<Difference>& differences) {
        EndStep();
        struct Region {
            std::optional<ChipRegion> region;
            int bytes = 0;
            std::vector<StepAction> actions;
            Seconds time{};
        };
        std::vector<Region> regions;
        for (const TimedStep& timed : steps_) {
            auto found = std::find_if(regions.begin(), regions.end(), [&](const Region& region) {
                return region.region == timed.step.region;
            });
            if (found == regions.end()) {
                found = regions.insert(regions.end(), Region{timed.step.region, 0, {}, {}});
            }
            found->bytes = std::max(found->bytes, timed.step.bytes);
            if (std::find(found->actions.begin(), found->actions.end(), timed.step.action) ==
                found->actions.end()) {
                found->actions.push_back(timed.step.action);
            }
            found->time += timed.end - timed.start;
        }
        std::vector<std::string> lines;
        for (const Region& region : regions) {
            std::string line = region.region ? std::string(RegionName(*region.region)) + " " +
                                                   std::to_string(region.bytes) + " B"
                                             : "chip";
            for (std::size_t i = 0; i < region.actions.size(); ++i) {
                line += i == 0 ? " " : i + 1 == region.actions.size() ? " and " : ", ";
                line += ActionWord(region.actions[i]);
            }
            char time[32];
            std::snprintf(time, sizeof time, " in %.1f s", region.time.count());
            line += time;
            const auto differing = std::count_if(
                differences.begin(), differences.end(),
                [&](const Difference& difference) { return difference.region == region.region; });
            if (differing > 0) {
                line +=
                    ": " + std::to_string(differing) + " difference" + (differing == 1 ? "" : "s");
            }
            lines.push_back(line);
        }
        steps_.clear();
        return lines;
    }

    std::string deviceText;

  private:
    using Clock = std::chrono::steady_clock;
    struct TimedStep {
        OperationStep step;
        Clock::time_point start;
        Clock::time_point end;
    };
    static std::string StepName(const OperationStep& step) {
        const std::string region = step.region ? RegionName(*step.region) : "chip";
        switch (step.action) {
            case StepAction::Erase:
                return region + " erase";
            case StepAction::Write:
                return region + " write";
            case StepAction::Verify:
                return region + " verify";
            case StepAction::Read:
                return region + " read";
        }
        return region;
    }
    void EndStep() {
        if (!steps_.empty() && steps_.back().end == Clock::time_point{}) {
            steps_.back().end = Clock::now();
        }
    }
    void EndProgressLine() {
        lastTenth_ = 0;
        if (!progressShown_) return;
        std::fputc('\n', stderr);
        progressShown_ = false;
    }
    std::vector<TimedStep> steps_;
    bool showProgress_;
    bool terminal_;
    bool progressShown_ = false;
    int lastTenth_ = 0;
};

// One programming subcommand's run: the session over the programmer the
// command line names, the tool's view, and the answers its options give to
// the session's questions.
class ProgrammingRun {
  public:
    explicit ProgrammingRun(const Invocation& invocation)
        : invocation_(invocation),
          opened_(invocation.environment),
          view_(!invocation.global.quiet, isatty(STDERR_FILENO) == 1) {}

    CommandResult Open() {
        const devices::Device* device = nullptr;
        if (invocation_.global.device) {
            if (!DeviceGroupNamed(*invocation_.global.device)) {
                return UnknownDevice(*invocation_.global.device);
            }
            device = devices::Table().Find(*invocation_.global.device);
        }
        const GlobalOptions& global = invocation_.global;
        if (CommandResult failed = opened_.Open(
                global.driver.value_or(invocation_.environment.driverSetting), global.trace)) {
            return failed;
        }
        ProgrammerSession& session = opened_.session();
        if (device) {
            session.UseDevice(*device);
        } else {
            session.UseDeviceGroup(session.StoredDeviceGroup());
        }
        session.SetView(&view_);
        // Without --device the tool follows the chip: a device the other
        // group serves switches the group, and the tool says so.
        session.SetConfirmation([this](Question question, const std::string&) {
            const GlobalOptions& options = invocation_.global;
            switch (question) {
                case Question::UnknownDevice:
                    return options.force;
                case Question::TurnOnProtection:
                    return options.allowProtect;
                case Question::SwitchFamily: {
                    if (options.device) return false;
                    ProgrammerSession& switching = opened_.session();
                    const DeviceGroup other = switching.group() == DeviceGroup::Pic18F452
                                                  ? DeviceGroup::Pic18F4520
                                                  : DeviceGroup::Pic18F452;
                    if (!options.quiet) {
                        invocation_.err
                            << GroupSwitchText(other, switching.deviceIdReading().deviceId) << '\n';
                    }
                    return true;
                }
            }
            return false;
        });
        started_ = std::chrono::steady_clock::now();
        return std::nullopt;
    }

    // Without --device: reads the chip's ID first and takes the device and
    // group that serve it, so a file loads under the chip's own memories and
    // configuration fields (erase does so in its device check).
    CommandResult FollowTarget() {
        if (invocation_.global.device) return std::nullopt;
        const OperationResult result = opened_.session().MatchTargetGroup();
        if (result == OperationResult::Completed) return std::nullopt;
        return Outcome(result);
    }

    ProgrammerSession& session() { return opened_.session(); }
    TerminalView& view() { return view_; }

    // Prints the regions the operation went over and words a failed result.
    CommandResult Outcome(OperationResult result) {
        ProgrammerSession& session = opened_.session();
        if (result == OperationResult::Completed || result == OperationResult::VerifyMismatch) {
            Print(view_.RegionLines(session.Differences()));
        }
        switch (result) {
            case OperationResult::Completed:
                return std::nullopt;
            case OperationResult::NotBlank:
                return NotBlank(session.BlankReport());
            case OperationResult::LinkFailed:
                return LinkFailureOf(session);
            case OperationResult::DeviceRefused:
            case OperationResult::Declined:
                return Refusal(session.LastRefusal());
            case OperationResult::VerifyMismatch: {
                const std::vector<Difference>& differences = session.Differences();
                std::string text = std::to_string(differences.size()) + " difference" +
                                   (differences.size() == 1 ? "" : "s");
                for (std::size_t i = 0; i < std::min<std::size_t>(differences.size(), 10); ++i) {
                    text += "\n  " + DifferenceText(differences[i]);
                }
                return CliFailure{FailureKind::VerifyDifference, text, {}};
            }
            case OperationResult::Stopped:
                return CliFailure{FailureKind::Link, "the operation was stopped", {}};
            case OperationResult::NoData:
            case OperationResult::Refused:
                break;
        }
        return CliFailure{FailureKind::Link, "the session refused the operation", {}};
    }

    // Closes the link; with --verbose, the exchanges and the time they took.
    CommandResult Finish(CommandResult result) {
        ProgrammerSession& session = opened_.session();
        session.Shutdown();
        if (invocation_.global.verbose) {
            char time[32];
            std::snprintf(time, sizeof time, "%.1f",
                          Seconds(std::chrono::steady_clock::now() - started_).count());
            invocation_.out << session.Exchanges() << " exchanges in " << time << " s\n";
        }
        return result;
    }

    void Print(const std::vector<std::string>& lines) {
        if (invocation_.global.quiet) return;
        for (const std::string& line : lines) invocation_.out << line << '\n';
    }

  private:
    // The first address found programmed, as the panel's notes name it.
    static CliFailure NotBlank(const BlankCheckReport& report) {
        for (ChipRegion region : kAllChipRegions) {
            if (const auto& address = report.FirstNonBlank(region)) {
                return {FailureKind::NotBlank,
                        std::string(RegionName(region)) + " " + ChipAddressText(*address),
                        {}};
            }
        }
        return {FailureKind::NotBlank, {}, {}};
    }
    static CliFailure Refusal(const std::optional<ChipChangeRefusal>& refusal) {
        if (!refusal) return {FailureKind::Refused, "the chip was not changed", {}};
        switch (refusal->reason) {
            case ChipChangeRefusal::Reason::NoTarget:
            case ChipChangeRefusal::Reason::OtherGroup:
            case ChipChangeRefusal::Reason::OtherDevice:
                return {FailureKind::Refused, refusal->found, {}};
            case ChipChangeRefusal::Reason::UnknownDevice:
                return {FailureKind::Refused,
                        refusal->found +
                            ", which the selected sequences are not known to serve "
                            "(--force goes on)",
                        {}};
            case ChipChangeRefusal::Reason::Protection:
                return {FailureKind::Refused,
                        "the configuration turns on code or data protection (" + refusal->found +
                            ") (--allow-protect writes it)",
                        {}};
            case ChipChangeRefusal::Reason::ReloadFailed:
                return {FailureKind::Refused,
                        refusal->found + " does not load for the chip's family",
                        {}};
        }
        return {FailureKind::Refused, refusal->found, {}};
    }

    const Invocation& invocation_;
    CliSession opened_;
    TerminalView view_;
    std::chrono::steady_clock::time_point started_;
};

// The one file name a subcommand takes, or its usage failure.
CommandResult OneFile(const Invocation& invocation, const std::vector<std::string>& files) {
    if (files.size() == 1) return std::nullopt;
    return CliFailure{FailureKind::Usage,
                      std::string(invocation.name) + " needs one file name" +
                          (files.empty() ? "" : ", not " + std::to_string(files.size())),
                      {}};
}

// Words that name no option of the subcommand: its files; an option it does
// not take is refused.
ArgumentRefusal FileWord(std::vector<std::string>& files, const std::string& word) {
    if (word.starts_with("--")) return "unknown option " + word;
    files.push_back(word);
    return std::nullopt;
}

// The words of a subcommand that takes no file and no option of its own.
CommandResult NoWords(const Invocation& invocation) {
    if (invocation.words.empty()) return std::nullopt;
    const std::string& word = invocation.words.front();
    return CliFailure{FailureKind::Usage,
                      word.starts_with("--") ? "unknown option " + word
                                             : std::string(invocation.name) + " takes no file name",
                      {}};
}

// The one file of a subcommand that takes nothing else.
CommandResult FileOnly(const Invocation& invocation, std::string& file) {
    std::vector<std::string> files;
    const ArgumentRules rules{{}, [&](const std::string& word) { return FileWord(files, word); }};
    if (ArgumentRefusal refused = ParseArguments(invocation.words, rules)) {
        return CliFailure{FailureKind::Usage, *refused, {}};
    }
    if (CommandResult wrong = OneFile(invocation, files)) return wrong;
    file = files.front();
    return std::nullopt;
}

// An output file that cannot be written fails before anything is read from the chip.
// It is checked without being created: the file appears only with its contents.
CommandResult Writable(const std::string& file) {
    const FileResult writable = CheckWritableFile(file);
    if (writable.ok()) return std::nullopt;
    return FileFailure(FileUse::Write, file, writable.reason);
}

// Runs `operation` on an opened session and words its end.
template <typename Operation>
CommandResult Programming(const Invocation& invocation, Operation operation) {
    ProgrammingRun run(invocation);
    if (CommandResult failed = run.Open()) return failed;
    return run.Finish(operation(run));
}

// The file write and verify loaded, loaded again when the group switches.
class CommandFileReload final : public FileReload {
  public:
    CommandFileReload(ProgrammerSession& session, std::ostream& err)
        : session_(session), load_(session), err_(err) {}
    HexFileLoad& load() { return load_; }
    std::string LoadedFile() const override { return load_.LoadedFile(); }
    std::string TypedChanges() const override { return {}; }
    bool Reload() override {
        const HexFileLoadResult reloaded = load_.Reload(session_.images());
        if (reloaded.kind == HexFileLoadResult::Kind::Loaded) return true;
        err_ << HexLoadFailureText(reloaded.file, reloaded.outcome) << '\n';
        return false;
    }

  private:
    ProgrammerSession& session_;
    HexFileLoad load_;
    std::ostream& err_;
};

// write FILE and verify FILE: the file loads as the panel loads it first.
CommandResult WithLoadedFile(const Invocation& invocation,
                             OperationResult (*operation)(ProgrammerSession& session),
                             bool followTarget) {
    std::string file;
    if (CommandResult wrong = FileOnly(invocation, file)) return wrong;
    return Programming(invocation, [&](ProgrammingRun& run) -> CommandResult {
        ProgrammerSession& session = run.session();
        // The chip first, so the file loads under its memories and fields.
        if (followTarget) {
            if (CommandResult failed = run.FollowTarget()) return failed;
        }
        CommandFileReload reload(session, invocation.err);
        std::string hexFileName = file;
        const HexFileLoadResult loaded = reload.load().Load(hexFileName, "", session.images());
        if (loaded.kind != HexFileLoadResult::Kind::Loaded) {
            return FileFailure(FileUse::Load, file, loaded.outcome.errorText);
        }
        session.SetFileReload(&reload);
        CommandResult result = run.Outcome(operation(session));
        session.SetFileReload(nullptr);
        return result;
    });
}

}  // namespace

std::optional<DeviceGroup> DeviceGroupNamed(const std::string& name) {
    const devices::Device* device = devices::Table().Find(name);
    if (!device || WhyNotProgrammed(*device)) return std::nullopt;
    return GroupOfFamily(device->family);
}

CliFailure UnknownDevice(const std::string& name) {
    if (const devices::Device* device = devices::Table().Find(name)) {
        return {FailureKind::Usage,
                device->name + " is not programmed: " + WhyNotProgrammed(*device).value_or(""),
                {}};
    }
    return {FailureKind::Usage,
            "unknown device " + name + " (tamro18-cli devices lists the table)",
            {}};
}

CommandResult RunId(const Invocation& invocation) {
    if (CommandResult wrong = NoWords(invocation)) return wrong;
    return Programming(invocation, [&](ProgrammingRun& run) -> CommandResult {
        run.session().ReadDeviceId();
        if (!run.session().deviceIdReading().linkOk) return LinkFailureOf(run.session());
        invocation.out << run.view().deviceText << '\n';
        return std::nullopt;
    });
}

CommandResult RunErase(const Invocation& invocation) {
    if (CommandResult wrong = NoWords(invocation)) return wrong;
    return Programming(invocation,
                       [](ProgrammingRun& run) { return run.Outcome(run.session().Erase()); });
}

CommandResult RunBlankCheck(const Invocation& invocation) {
    if (CommandResult wrong = NoWords(invocation)) return wrong;
    return Programming(invocation, [&](ProgrammingRun& run) -> CommandResult {
        if (CommandResult failed = run.FollowTarget()) return failed;
        const OperationResult result = run.session().BlankCheck();
        if (result == OperationResult::Completed || result == OperationResult::NotBlank) {
            invocation.out << BlankCheckText(run.session().BlankReport());
        }
        return run.Outcome(result);
    });
}

CommandResult RunWrite(const Invocation& invocation) {
    return WithLoadedFile(
        invocation,
        [](ProgrammerSession& session) { return session.Write(session.images().lastAddress); },
        true);
}

CommandResult RunVerify(const Invocation& invocation) {
    return WithLoadedFile(
        invocation, [](ProgrammerSession& session) { return session.Verify(); }, true);
}

// read OUT.hex [--last X] [--flash-only]
CommandResult RunRead(const Invocation& invocation) {
    std::vector<std::string> files;
    std::string lastText;  // empty: the device's last program word
    bool flashOnly = false;
    const ArgumentRules rules{{{"--last",
                                {},
                                [&](const std::string& value) -> ArgumentRefusal {
                                    lastText = value;
                                    return std::nullopt;
                                }},
                               {"--flash-only", [&] { flashOnly = true; }, {}}},
                              [&](const std::string& word) { return FileWord(files, word); }};
    if (ArgumentRefusal refused = ParseArguments(invocation.words, rules)) {
        return CliFailure{FailureKind::Usage, *refused, {}};
    }
    if (CommandResult wrong = OneFile(invocation, files)) return wrong;
    const HexReading last = ReadHex(lastText);
    if (!lastText.empty() &&
        (last.digits == 0 || last.digits > 4 || last.value < 0 || last.value > 0x7FFF ||
         last.digits != static_cast<int>(lastText.size()))) {
        return CliFailure{FailureKind::Usage,
                          "--last takes a hexadecimal word address 0 to 7FFF, not " + lastText,
                          {}};
    }
    const std::string& file = files.front();
    if (CommandResult unwritable = Writable(file)) return unwritable;
    return Programming(invocation, [&](ProgrammingRun& run) -> CommandResult {
        if (CommandResult failed = run.FollowTarget()) return failed;
        ProgrammerSession& session = run.session();
        Images& images = session.images();
        // Bytes beyond --last stay erased, as a HEX load leaves them.
        images.program.fill(0xFF);
        const std::int16_t lastWord =
            lastText.empty() ? session.groupValues().lastAddress : HexValue16(lastText);
        OperationResult result = session.ReadProgram(lastWord);
        if (result == OperationResult::Completed && !flashOnly) result = session.ReadEeprom();
        if (CommandResult failed = run.Outcome(result)) return failed;
        const ConfigBytes& mask = session.groupValues().configMask;
        const HexWriteOptions options{flashOnly ? HexRegions::FlashOnly : HexRegions::WholeChip,
                                      lastWord, mask};
        const FileResult written = WriteFileAtomically(file, IntelHexText(images, options));
        if (!written.ok()) return FileFailure(FileUse::Write, file, written.reason);
        invocation.out << "checksum " << ChecksumText(ImageChecksum(images, mask)) << '\n';
        return std::nullopt;
    });
}

CommandResult RunReadEeprom(const Invocation& invocation) {
    std::string file;
    if (CommandResult wrong = FileOnly(invocation, file)) return wrong;
    if (CommandResult unwritable = Writable(file)) return unwritable;
    return Programming(invocation, [&](ProgrammingRun& run) -> CommandResult {
        ProgrammerSession& session = run.session();
        if (CommandResult failed = run.Outcome(session.ReadEeprom())) return failed;
        const std::string_view bytes(
            reinterpret_cast<const char*>(session.images().eepromRead.data()),
            std::max(session.groupValues().eepromLast + 1, 0));
        const FileResult written = WriteFileAtomically(file, bytes);
        if (!written.ok()) return FileFailure(FileUse::Write, file, written.reason);
        return std::nullopt;
    });
}

}  // namespace tamro::cli
