#pragma once
// The external tools' folders and command lines, kept in the settings store
// (application "TAMRO18", section "DATA") and loaded once at start-up.

#include <functional>
#include <string>
#include <vector>

#include "common/platform.h"

namespace tamro {

struct ToolSettings {
    std::string F_ASM;     // assembler folder, also the help file's folder
    std::string CMD_ASM;   // assembler program and options, relative to F_ASM
    std::string F_C;       // C compiler folder (shown and stored only)
    std::string CMD_C;     // full C compiler command
    std::string CMD_Lkr;   // full linker command
    std::string F_EDIT;    // external editor folder
    std::string CMD_EDIT;  // external editor program; empty selects the built-in editor
    friend bool operator==(const ToolSettings&, const ToolSettings&) = default;
};

inline const std::string kSettingsApplication = "TAMRO18";
inline const std::string kSettingsSection = "DATA";

// The gputils assembler line that writes the error file (-k) and an INHX32
// HEX file. Without -q: with it gpasm leaves the error file empty on errors.
inline constexpr const char* kGpasmCommand = "gpasm -k -w 2 -r dec -a inhx32";
// Options of the SDCC wrappers for the PIC18 port.
inline constexpr const char* kSdccOptions = "-mpic16 -p18f452";
// Where gputils puts gpasm on Debian.
inline constexpr const char* kUsualGpasmFolder = "/usr/bin";

// The full path of a program found on the search path, or "" when none.
using ProgramFinder = std::function<std::string(const std::string& program)>;

// Folders besides the search path that may hold the SDCC wrappers: the one
// the panel installs them to, then the source tree's.
std::vector<std::string> DefaultWrapperFolders();

// The settings of a first start and of "Default": what is installed here.
// The assembler is the gpasm on the search path (its folder, or /usr/bin when
// there is none, so installing gputils later is enough). The C compiler and
// linker are the SDCC wrappers when sdcc is installed (by name when they are on
// the search path, else by path from `wrapperFolders`), and empty otherwise.
// No external editor.
ToolSettings InstalledToolSettings(
    const ProgramFinder& find,
    const std::vector<std::string>& wrapperFolders = DefaultWrapperFolders());

// Start-up load: an empty F_ASM counts as a first start, which stores and uses
// `defaults`; otherwise the seven keys are read as they are (absent = empty).
ToolSettings LoadToolSettings(SettingsStore& store, const ToolSettings& defaults);

// Writes all seven keys, in the order F_ASM, CMD_ASM, F_C, CMD_C, CMD_Lkr,
// F_EDIT, CMD_EDIT.
void StoreToolSettings(SettingsStore& store, const ToolSettings& settings);

}  // namespace tamro
