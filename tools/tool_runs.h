#pragma once
// File open, the assembler run, the C compile-and-link run, HEX set and the
// editor buttons of the main window, as plain logic over what the main window
// gives (ToolRunHost) and what the platform gives.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/platform.h"
#include "tools/file_dialogs.h"
#include "tools/process_runner.h"
#include "tools/recent_files.h"
#include "tools/tool_settings.h"

namespace tamro {

// The file names of the tool runs, kept between runs, all empty at start.
struct ToolFiles {
    std::string SourceFileName;  // the remembered source file
    std::string HexFileName;     // what HEX_LOAD reads
    std::string ErrorFileName;   // error file of the last run
    std::string ObjectFileName;  // object file of the last C run
};

// NotesLabel colours of the tool runs.
inline constexpr Rgb kNotesNormal{214, 204, 238};
inline constexpr Rgb kNotesError{255, 0, 0};

inline const std::string kFileOpenFilter = "Source Files|*.asm;*.c|HEX FILES|*.hex|ALL FILES|*.*|";
inline const std::string kEditorSaveFilter = "ASM FILES|*.asm|C FILES|*.c|ALL FILES|*.*|";

// What the main window lends to the tool runs.
class ToolRunHost {
  public:
    virtual ~ToolRunHost() = default;
    virtual std::string FilenameText() = 0;  // FilenameTextbox
    virtual void SetFilenameText(const std::string& text) = 0;
    virtual void SetTestText(const std::string& text) = 0;                  // TEST
    virtual void SetNotes(const Rgb& colour, const std::string& text) = 0;  // NotesLabel
    // HEX_LOAD of the file named by ToolFiles::HexFileName; reports its own errors.
    virtual void HexLoad() = 0;
    // Shows TAMRO_ERRVIEW with the text of `errorFileName`; false when the
    // file cannot be read (the window is then not shown).
    virtual bool OpenErrorView(const std::string& errorFileName) = 0;
    // Shows TAMRO_ERRVIEW with what a failed tool printed.
    virtual void ShowToolOutput(const std::string& text) = 0;
    // Shows the built-in editor TAMRO_Editor (brought to the front when it is
    // already open); false when the file in FilenameTextbox cannot be read.
    virtual bool OpenBuiltInEditor() = 0;
    // The 16-bit countdown that the main window's 100 ms tick lowers.
    virtual std::int16_t TickCountdown() = 0;
    virtual void SetTickCountdown(std::int16_t value) = 0;
};

struct ToolRunContext {
    ToolRunHost& host;
    ToolFiles& files;
    const ToolSettings& settings;
    MessageBoxes& messages;
    FileDialogs& dialogs;
    ProcessRunner& runner;
    EventPump& pump;
    Clock& clock;
    // Where File open keeps the files opened; none keeps no list.
    RecentFiles* recent = nullptr;
};

// Extension tests of the runs: exactly "asm" or "ASM" at the end, or a last
// character "c" or "C" (so notes.doc counts as a C source, x.Asm as no source).
bool EndsInAsm(const std::string& name);
bool EndsInC(const std::string& name);

// All existing files whose name equals that of `path` in any letter case, the
// exact name first. Tools here write "blink.err" where the panel looks for
// "blink.ERR".
std::vector<std::string> FilesMatchingAnyCase(const std::string& path);

// The most recently changed existing file of that name in any letter case, or
// `path` itself when there is none.
std::string ExistingAnyCase(const std::string& path);

// Remembers, before a run, which files of the given names (any letter case)
// exist and how they look, so that afterwards only what the run itself wrote
// is taken: files older than the run count as absent.
class WrittenFiles {
  public:
    explicit WrittenFiles(const std::vector<std::string>& paths);
    // The file of that name (any letter case) that was created or changed
    // since the snapshot; the most recently changed one if several.
    std::optional<std::string> Find(const std::string& path) const;

  private:
    struct Look {
        std::filesystem::file_time_type modified;
        std::uintmax_t size = 0;
        bool operator==(const Look&) const = default;
    };
    static std::optional<Look> LookOf(const std::string& path);
    std::map<std::string, Look> before_;
};

class ToolRuns {
  public:
    explicit ToolRuns(const ToolRunContext& context) : context_(context) {}

    void FileOpen();  // F_OpenButton, FILEOPENMENU
    // File open of a file already chosen (a recent file, a dropped file, the
    // file named at start-up): a source is remembered, a HEX file loaded.
    void OpenFile(const std::string& name);
    void AssemblerRun();  // ASSMButton, Assembler
    void CRun();          // C_Button, Ccmp
    void HexSet();        // HexSet_Button
    void OpenEditor();    // EditorButton, Editor
    void NewFile();       // New_EditorButton, NEW_EDITOR

    // True while a run waits for its tool; another run is then refused.
    bool Running() const { return running_; }
    // How long one tool may run before it is ended and the run fails.
    void SetTimeLimit(std::chrono::milliseconds limit) { timeLimit_ = limit; }

  private:
    struct ToolResult {
        enum class Kind { Succeeded, Failed, NotStarted, TimedOut } kind;
        std::string output;  // standard output and error, merged
    };
    // NotesLabel texts at the end of a run.
    struct RunTexts {
        const char* complete;
        const char* error;
    };
    // Beeps and says no while a run waits or without a file name.
    bool MayStartRun(const std::string& name);
    // The shared part of the assembler and C runs: runs the tools one after
    // the other until one fails, then shows the error file (or what the tool
    // printed) or loads base + "HEX".
    void RunAndLoad(const std::vector<CommandLine>& steps, const std::string& base,
                    const RunTexts& texts, bool errorFileRequired);
    ToolResult RunTool(const CommandLine& command);
    // "File not found" naming the file or program.
    void ShowOpenError(const std::string& path);
    void LoadFreshHex(WrittenFiles& written, const std::string& hexName, const char* completeText,
                      const char* errorText);

    ToolRunContext context_;
    std::chrono::milliseconds timeLimit_ = std::chrono::seconds(60);
    bool running_ = false;
};

}  // namespace tamro
