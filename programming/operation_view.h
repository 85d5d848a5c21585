#pragma once
// What the programming session shows while its requests run. The main window
// implements it with its controls; the command-line tool prints progress instead.

#include <optional>
#include <string>

#include "common/platform.h"
#include "programming/chip_regions.h"
#include "programming/progress_estimate.h"

namespace tamro {

// NotesLabel colours.
inline constexpr Rgb kNotesWhite{255, 255, 255};
inline constexpr Rgb kNotesRed{255, 0, 0};
inline constexpr Rgb kNotesViolet{214, 204, 238};  // tool runs, WRITE's final report
inline constexpr Rgb kNotesCyan{106, 230, 238};    // program and EEPROM reads

// One step of a long operation: what it does to which memory, over how many
// bytes. A chip erase has no region: it takes the whole chip.
enum class StepAction { Erase, Write, Verify, Read };
struct OperationStep {
    StepAction action = StepAction::Erase;
    std::optional<ChipRegion> region;
    int bytes = 0;
};

class OperationView {
  public:
    virtual ~OperationView() = default;
    virtual void SetNotesColour(Rgb colour) = 0;
    virtual void SetNotesCaption(const std::string& caption) = 0;
    virtual void SetDeviceText(const std::string& text) = 0;      // Text_Device
    virtual void SetCurrentAddress(const std::string& text) = 0;  // CurrentAddrText
    virtual void SetVccCaption(const std::string& caption) = 0;   // "VCC on" / "VCC off"
    virtual void SetLedCaption(const std::string& caption) = 0;   // "LED on" / "LED off"
    // Progress of a long operation: `done` of `total` steps (0 of 0 ends it).
    virtual void SetProgress(int done, int total) = 0;
    // What the progress that follows is of: writing flash, reading EEPROM, ...
    virtual void SetProgressStep(ProgressStep /*step*/) {}
    // Let pending events run (repaint, timer ticks, input).
    virtual void ProcessPendingEvents() = 0;

    // Controls only the program and EEPROM reads touch; a view without them
    // (the command-line tool) keeps the defaults.
    virtual void SetStartAddress(const std::string& /*text*/) {}  // StartAddrText
    virtual void SetLastAddress(const std::string& /*text*/) {}   // LastAddrText
    virtual void ClearFileName() {}                               // FilenameTextbox
    // A read has replaced the program image: show DATAVIEW with the new contents.
    virtual void ShowProgramBuffer() {}
    // A read has replaced the EEPROM image: show EEVIEW with the new contents.
    virtual void ShowEepromBuffer() {}
    // A device selection has begun: option button `option` (9 or 10) is the
    // selected one; the address fields, file name and notes start afresh.
    virtual void DeviceGroupSelected(int /*option*/) {}
    // The configuration image changed as a whole: show all of it.
    virtual void ShowConfiguration() {}
    // A device-ID read named the target: its name ("18F2550", "no target", or
    // "unknown" for an ID outside the device table) and the option button of
    // the family whose sequences serve it (0 when none does).
    virtual void TargetDeviceFound(const std::string& /*name*/, int /*servingOption*/) {}
    // A step of a long operation begins; it ends when the next one begins or
    // the operation returns.
    virtual void StepStarted(const OperationStep& /*step*/) {}
};

}  // namespace tamro
