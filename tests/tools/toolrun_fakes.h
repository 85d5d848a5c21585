#pragma once
// Stand-ins for the main window and the dialogs in the tool-run tests, plus
// scratch folders and small tool scripts.

#include <QCoreApplication>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tests/testing/fakes.h"
#include "tools/file_dialogs.h"
#include "tools/tool_runs.h"
#include "tools/ui/process_runner.h"

namespace tamro::testing {

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline void WriteScript(const std::filesystem::path& path, const std::string& body) {
    WriteBytes(path, "#!/bin/sh\n" + body);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::group_exec);
}

// A fresh folder per test, removed afterwards.
class ScratchFolder {
  public:
    ScratchFolder() {
        char pattern[] = "/tmp/toolrun-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// QProcess needs an application object.
inline void EnsureCoreApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "tools_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

struct HexLoadCall {
    std::string hexFileName;
    std::optional<std::string> content;  // none when the file did not exist
};

// The main window as the tool runs see it. Every event pump is one 100 ms
// tick of the main window's timer.
class FakeToolRunHost final : public ToolRunHost {
  public:
    explicit FakeToolRunHost(ToolFiles& files) : files_(files) {}

    std::string FilenameText() override { return filenameText; }
    void SetFilenameText(const std::string& text) override { filenameText = text; }
    void SetTestText(const std::string& text) override { testTexts.push_back(text); }
    void SetNotes(const Rgb& colour, const std::string& text) override {
        notesColour = colour;
        notesText = text;
    }
    void HexLoad() override {
        HexLoadCall call{files_.HexFileName, std::nullopt};
        if (std::filesystem::exists(files_.HexFileName))
            call.content = ReadBytes(files_.HexFileName);
        hexLoads.push_back(call);
    }
    bool OpenErrorView(const std::string& errorFileName) override {
        errorViews.push_back(errorFileName);
        errorViewTexts.push_back(ReadBytes(errorFileName));
        return errorViewResult;
    }
    void ShowToolOutput(const std::string& text) override { toolOutputs.push_back(text); }
    bool OpenBuiltInEditor() override {
        ++builtInEditorOpens;
        return builtInEditorResult;
    }
    std::int16_t TickCountdown() override { return tickCountdown; }
    void SetTickCountdown(std::int16_t value) override {
        tickCountdown = value;
        countdownSets.push_back(value);
    }
    void Tick() {
        ++ticks;
        if (tickCountdown > 0) --tickCountdown;
    }

    std::string filenameText;
    std::vector<std::string> testTexts;
    Rgb notesColour{};
    std::string notesText;
    std::vector<HexLoadCall> hexLoads;
    std::vector<std::string> errorViews;
    std::vector<std::string> errorViewTexts;
    bool errorViewResult = true;
    std::vector<std::string> toolOutputs;
    int builtInEditorOpens = 0;
    bool builtInEditorResult = true;
    std::int16_t tickCountdown = 0;
    std::vector<std::int16_t> countdownSets;
    int ticks = 0;

  private:
    ToolFiles& files_;
};

class FakeFileDialogs final : public FileDialogs {
  public:
    std::string OpenFileName(const std::string& filter) override {
        filters.push_back(filter);
        return openAnswer;
    }
    std::string SaveFileName(const std::string& filter) override {
        filters.push_back(filter);
        return saveAnswer;
    }
    std::string openAnswer;
    std::string saveAnswer;
    std::vector<std::string> filters;
};

// Records detached starts (the external editor) and passes waited runs on to
// the real runner.
class RecordingRunner final : public ProcessRunner {
  public:
    std::unique_ptr<RunningProcess> Start(const CommandLine& command,
                                          const std::string& workingFolder) override {
        started.push_back(command);
        return real.Start(command, workingFolder);
    }
    bool StartDetached(const CommandLine& command) override {
        detached.push_back(command);
        return detachedResult;
    }
    QtProcessRunner real;
    std::vector<CommandLine> started;
    std::vector<CommandLine> detached;
    bool detachedResult = true;
};

// Everything a ToolRuns needs, wired together.
struct ToolRunRig {
    ToolRunRig() : host(files) {
        EnsureCoreApplication();
        pump.onPump = [this] { host.Tick(); };
    }
    ToolRuns MakeRuns() {
        return ToolRuns(
            ToolRunContext{host, files, settings, messages, dialogs, runner, pump, SystemClock()});
    }

    ToolFiles files;
    FakeToolRunHost host;
    ToolSettings settings;
    RecordingMessageBoxes messages;
    FakeFileDialogs dialogs;
    RecordingRunner runner;
    CountingEventPump pump;
};

}  // namespace tamro::testing
