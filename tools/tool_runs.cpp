#include "tools/tool_runs.h"

#include <algorithm>
#include <system_error>

namespace tamro {
namespace fs = std::filesystem;

namespace {

// A tool's error and HEX files get at least the 11 ticks of 100 ms after its
// start; meanwhile TickCountdown stays up so that WRITE refuses.
constexpr std::int16_t kWaitStartTicks = 50;
constexpr std::int16_t kWaitEndTicks = 40;
constexpr std::chrono::milliseconds kWaitSlice{20};

std::string LastCharacters(const std::string& text, std::size_t count) {
    return text.size() < count ? std::string() : text.substr(text.size() - count);
}

std::string WithoutLast(const std::string& text, std::size_t count) {
    return text.size() < count ? std::string() : text.substr(0, text.size() - count);
}

bool SameIgnoringCase(const std::string& left, const std::string& right) {
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(a) == lower(b);
    });
}

// A source given with its full path runs its tool in its own folder, where
// tools that write into the current folder leave their files beside it.
std::string WorkingFolderFor(const std::string& source) {
    const fs::path path(source);
    return path.is_absolute() ? path.parent_path().string() : std::string();
}

std::string ProgramName(const std::string& program) {
    return fs::path(program).filename().string();
}

// "60 s", or "500 ms" for a limit of no whole seconds.
std::string DurationText(std::chrono::milliseconds duration) {
    if (duration.count() % 1000 == 0) return std::to_string(duration.count() / 1000) + " s";
    return std::to_string(duration.count()) + " ms";
}

std::uintmax_t SizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return error ? 0 : size;
}

}  // namespace

bool EndsInAsm(const std::string& name) {
    const std::string last = LastCharacters(name, 3);
    return last == "asm" || last == "ASM";
}

bool EndsInC(const std::string& name) {
    const std::string last = LastCharacters(name, 1);
    return last == "c" || last == "C";
}

std::vector<std::string> FilesMatchingAnyCase(const std::string& path) {
    std::vector<std::string> matches;
    if (path.empty()) return matches;
    const fs::path wanted(path);
    const std::string wantedName = wanted.filename().string();
    if (wantedName.empty()) return matches;
    std::error_code error;
    if (fs::is_regular_file(wanted, error)) matches.push_back(path);
    const fs::path folder = wanted.has_parent_path() ? wanted.parent_path() : fs::path(".");
    fs::directory_iterator entries(folder, error);
    if (error) return matches;
    for (auto it = entries; it != fs::directory_iterator(); it.increment(error)) {
        if (error) break;
        const std::string name = it->path().filename().string();
        if (name == wantedName || !SameIgnoringCase(name, wantedName)) continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        matches.push_back((wanted.parent_path() / name).string());
    }
    return matches;
}

std::string ExistingAnyCase(const std::string& path) {
    std::string newest = path;
    std::optional<fs::file_time_type> newestTime;
    for (const std::string& match : FilesMatchingAnyCase(path)) {
        std::error_code error;
        const fs::file_time_type modified = fs::last_write_time(match, error);
        if (error) continue;
        if (!newestTime || modified > *newestTime) {
            newest = match;
            newestTime = modified;
        }
    }
    return newest;
}

WrittenFiles::WrittenFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        for (const std::string& match : FilesMatchingAnyCase(path)) {
            if (auto look = LookOf(match)) before_[match] = *look;
        }
    }
}

std::optional<WrittenFiles::Look> WrittenFiles::LookOf(const std::string& path) {
    std::error_code error;
    Look look;
    look.modified = fs::last_write_time(path, error);
    if (error) return std::nullopt;
    look.size = fs::file_size(path, error);
    if (error) return std::nullopt;
    return look;
}

std::optional<std::string> WrittenFiles::Find(const std::string& path) const {
    std::optional<std::string> newest;
    fs::file_time_type newestTime{};
    for (const std::string& match : FilesMatchingAnyCase(path)) {
        const std::optional<Look> look = LookOf(match);
        if (!look) continue;
        const auto earlier = before_.find(match);
        if (earlier != before_.end() && earlier->second == *look) continue;
        if (!newest || look->modified > newestTime) {
            newest = match;
            newestTime = look->modified;
        }
    }
    return newest;
}

void ToolRuns::FileOpen() {
    const std::string name = context_.dialogs.OpenFileName(kFileOpenFilter);
    if (!name.empty()) OpenFile(name);
}

void ToolRuns::OpenFile(const std::string& name) {
    if (context_.recent) context_.recent->Add(name);
    context_.host.SetFilenameText(name);
    if (EndsInAsm(name) || EndsInC(name)) {
        context_.files.SourceFileName = name;
        return;
    }
    const std::string last = LastCharacters(name, 3);
    if (last == "hex" || last == "HEX") context_.files.HexFileName = name;
    context_.host.HexLoad();
    context_.host.SetNotes(kNotesNormal, "");
}

void ToolRuns::ShowOpenError(const std::string& path) {
    context_.messages.Show(
        MessageIcon::Critical, "OPEN ERROR",
        path.empty() ? "File not found (no file named)" : "File not found: " + path);
}

ToolRuns::ToolResult ToolRuns::RunTool(const CommandLine& command) {
    std::unique_ptr<RunningProcess> process =
        context_.runner.Start(command, WorkingFolderFor(context_.files.SourceFileName));
    if (!process) return {ToolResult::Kind::NotStarted, {}};
    ToolRunHost& host = context_.host;
    const auto deadline = context_.clock.Now() + timeLimit_;
    ToolResult result{ToolResult::Kind::Succeeded, {}};
    bool finished = false;
    host.SetTickCountdown(kWaitStartTicks);
    for (;;) {
        if (!finished) {
            finished = process->WaitFinished(kWaitSlice);
        } else {
            context_.clock.SleepFor(kWaitSlice);
        }
        context_.pump.ProcessPendingEvents();
        const bool pastLimit = context_.clock.Now() >= deadline;
        if (finished) {
            if (host.TickCountdown() < kWaitEndTicks || pastLimit) break;
            continue;
        }
        if (pastLimit) {
            process->Kill();
            result.kind = ToolResult::Kind::TimedOut;
            break;
        }
        if (host.TickCountdown() < kWaitEndTicks) host.SetTickCountdown(kWaitEndTicks);
    }
    host.SetTickCountdown(0);
    if (result.kind == ToolResult::Kind::Succeeded && !process->Succeeded()) {
        result.kind = ToolResult::Kind::Failed;
    }
    result.output = process->Output();
    return result;
}

void ToolRuns::LoadFreshHex(WrittenFiles& written, const std::string& hexName,
                            const char* completeText, const char* errorText) {
    const std::optional<std::string> hex = written.Find(hexName);
    context_.files.HexFileName = hex ? *hex : hexName;
    if (!hex) {
        // A HEX file the tool did not write now is not its result.
        context_.host.SetNotes(kNotesError, errorText);
        context_.host.SetTestText(context_.files.HexFileName);
        context_.messages.Show(MessageIcon::Critical, "FILE ERROR", "Can't Open or Read the FILE");
        return;
    }
    context_.host.SetNotes(kNotesNormal, completeText);
    context_.host.SetTestText(context_.files.HexFileName);
    context_.host.HexLoad();
}

bool ToolRuns::MayStartRun(const std::string& name) {
    if (name.empty() || running_) {
        context_.messages.Beep();
        return false;
    }
    return true;
}

void ToolRuns::RunAndLoad(const std::vector<CommandLine>& steps, const std::string& base,
                          const RunTexts& texts, bool errorFileRequired) {
    ToolFiles& files = context_.files;
    ToolRunHost& host = context_.host;
    WrittenFiles written({files.ErrorFileName, base + "HEX"});
    running_ = true;
    ToolResult result{ToolResult::Kind::Succeeded, {}};
    std::string program;
    for (const CommandLine& step : steps) {
        result = RunTool(step);
        program = step.program;
        if (result.kind != ToolResult::Kind::Succeeded) break;
    }
    running_ = false;
    if (result.kind == ToolResult::Kind::NotStarted) {
        ShowOpenError(program);
        return;
    }
    if (result.kind == ToolResult::Kind::TimedOut) {
        host.SetNotes(kNotesError, texts.error);
        context_.messages.Show(MessageIcon::Critical, "TOOL ERROR",
                               ProgramName(program) + " timed out after " +
                                   DurationText(timeLimit_) + "; it was ended.");
        return;
    }
    // The assembler must leave an error file; for the C run none means none.
    const std::optional<std::string> errorFile = written.Find(files.ErrorFileName);
    if (errorFile) files.ErrorFileName = *errorFile;
    if (errorFile && SizeOf(*errorFile) != 0) {
        host.SetNotes(kNotesError, texts.error);
        if (!host.OpenErrorView(files.ErrorFileName) && errorFileRequired) {
            ShowOpenError(files.ErrorFileName);
        }
        return;
    }
    // A tool that failed without writing its errors down printed them.
    if (result.kind == ToolResult::Kind::Failed) {
        host.SetNotes(kNotesError, texts.error);
        host.ShowToolOutput(result.output.empty()
                                ? ProgramName(program) + " failed and printed nothing.\n"
                                : result.output);
        return;
    }
    if (!errorFile && errorFileRequired) {
        ShowOpenError(files.ErrorFileName);
        return;
    }
    LoadFreshHex(written, base + "HEX", texts.complete, texts.error);
}

void ToolRuns::AssemblerRun() {
    ToolRunHost& host = context_.host;
    ToolFiles& files = context_.files;
    const std::string name = host.FilenameText();
    if (!MayStartRun(name) || !EndsInAsm(name)) return;
    host.SetNotes(kNotesNormal, "Assembler");
    files.SourceFileName = name;
    const std::string base = WithoutLast(name, 3);
    files.ErrorFileName = base + "ERR";
    host.SetTestText(files.ErrorFileName);

    const ToolSettings& settings = context_.settings;
    host.SetTestText(settings.F_ASM + "\\" + settings.CMD_ASM + " " + files.SourceFileName);
    CommandLine command = CommandInFolder(settings.F_ASM, settings.CMD_ASM);
    command.arguments.push_back(files.SourceFileName);
    RunAndLoad({command}, base, {"Assembler complete", "Assembler ERROR"}, true);
}

void ToolRuns::CRun() {
    ToolRunHost& host = context_.host;
    ToolFiles& files = context_.files;
    const std::string name = host.FilenameText();
    if (!MayStartRun(name) || !EndsInC(name)) return;
    host.SetNotes(kNotesNormal, "C Compile");
    files.SourceFileName = name;
    const std::string base = WithoutLast(name, 1);
    files.ErrorFileName = base + "err";
    files.ObjectFileName = base + "o";
    const std::string outputName = base + "out";

    const ToolSettings& settings = context_.settings;
    host.SetTestText(settings.CMD_C + " " + files.SourceFileName + " -fe=" + files.ErrorFileName);
    CommandLine compile = SplitCommandLine(settings.CMD_C);
    compile.arguments.push_back(files.SourceFileName);
    compile.arguments.push_back("-fe=" + files.ErrorFileName);
    CommandLine link = SplitCommandLine(settings.CMD_Lkr);
    link.arguments.push_back(files.ObjectFileName);
    link.arguments.push_back("/o" + outputName);
    RunAndLoad({compile, link}, base, {"Compile complete", "Compile ERROR"}, false);
}

void ToolRuns::HexSet() {
    ToolFiles& files = context_.files;
    if (files.SourceFileName.empty()) return;
    context_.host.SetNotes(kNotesNormal, "Set HEX file");
    if (EndsInAsm(files.SourceFileName)) {
        files.HexFileName = ExistingAnyCase(WithoutLast(files.SourceFileName, 3) + "HEX");
    } else if (EndsInC(files.SourceFileName)) {
        files.HexFileName = ExistingAnyCase(WithoutLast(files.SourceFileName, 1) + "HEX");
    }
    context_.host.SetTestText(files.HexFileName);
    context_.host.HexLoad();
}

void ToolRuns::OpenEditor() {
    ToolRunHost& host = context_.host;
    const ToolSettings& settings = context_.settings;
    const std::string& source = context_.files.SourceFileName;
    host.SetNotes(kNotesNormal, "Open EDITER");
    host.SetTestText(settings.F_EDIT + "\\" + settings.CMD_EDIT + " " + source);
    if (!settings.CMD_EDIT.empty()) {
        CommandLine command = CommandInFolder(settings.F_EDIT, settings.CMD_EDIT);
        if (!source.empty()) command.arguments.push_back(source);
        if (!context_.runner.StartDetached(command)) ShowOpenError(command.program);
        return;
    }
    if (!host.OpenBuiltInEditor()) ShowOpenError(host.FilenameText());
}

void ToolRuns::NewFile() {
    context_.host.SetFilenameText("");
    context_.files.SourceFileName.clear();
    OpenEditor();
}

}  // namespace tamro
