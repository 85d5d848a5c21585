#pragma once
// The external tools' folders and command lines, kept in the settings store
// (application "TAMRO18", section "DATA") and loaded once at start-up.

#include <string>

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

ToolSettings DefaultToolSettings();

// Start-up load: an empty F_ASM counts as a first start, which stores and uses
// the defaults; otherwise the seven keys are read as they are (absent = empty).
ToolSettings LoadToolSettings(SettingsStore& store);

// Writes all seven keys, in the order F_ASM, CMD_ASM, F_C, CMD_C, CMD_Lkr,
// F_EDIT, CMD_EDIT.
void StoreToolSettings(SettingsStore& store, const ToolSettings& settings);

}  // namespace tamro
