#pragma once
// The operations on the target: erase, program write, verify, configuration
// write, program read and EEPROM read, each a fixed sequence of command
// packets for the selected device group, and the buttons and menu items that
// run them. The main window and the command-line tool share every line here
// through ProgrammerSession.
//
// A failed exchange ends the operation: the link has shown its message box,
// nothing more is sent (packets already in flight may still reach the
// programmer; the caller takes the target to its safe state after them), and NotesLabel shows a red
// error text naming the operation. The supply and LED captions keep showing what was last sent.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/platform.h"
#include "images/images.h"
#include "link/link.h"
#include "programming/chip_regions.h"
#include "programming/device.h"
#include "programming/operation_guard.h"
#include "programming/operation_view.h"

namespace tamro {

enum class OperationResult {
    Completed,
    Refused,         // another operation runs, or WRITE while TickCountdown runs
    NoData,          // WRITE without a loaded image ("I have no data")
    LinkFailed,      // an exchange failed; the operation stopped there
    VerifyMismatch,  // the target differs from ProgramImage
    Stopped,         // a stop request ended the operation at its next exchange
    DeviceRefused,   // the device check found another group's device, no target, or
                     // a device no group is known to serve that the user did not accept
    Declined,        // the user declined to write a configuration that turns on protection
    NotBlank,        // the blank check found a byte that is not erased
};

// What an operation is about to change on the chip; ERASE, WRITE and the
// configuration write check the target first (see SetChipChangeCheck).
enum class ChipChange { Erase, Write, Configuration };

enum class VerifyOutcome { Passed, Mismatch, LinkFailed };

// The ID locations and configuration bytes a program read takes besides the flash.
struct IdAndConfiguration {
    std::array<std::uint8_t, kIdBytes> id{};
    ConfigBytes config{};
};

// The packet sequences of the target operations. ProgrammerSession runs them;
// each entry holds the session's one operation guard while it runs.
class TargetOperations {
  public:
    // `group` and `tickCountdown` are read where the operations use them, so they
    // follow a later device selection and the 100 ms tick.
    TargetOperations(Link& link, Images& images, const DeviceGroupValues& group,
                     std::int16_t& tickCountdown, OperationView& view, MessageBoxes& messages,
                     OperationGuard& guard);

    // The operations. `lastAddress` is the last program word address (as
    // LastAddrText gives it: FFFFh reads as -1).
    OperationResult Erase();
    OperationResult Write(std::int16_t lastAddress);
    OperationResult Verify();
    OperationResult WriteConfiguration();
    OperationResult ReadProgram(std::int16_t lastAddress);
    OperationResult ReadEeprom();
    // Reads the whole chip and compares it with the erased values (see
    // CheckBlank); Completed when blank, NotBlank with BlankReport() otherwise.
    OperationResult BlankCheck();

    // The sequences. Each returns false (or LinkFailed) when an exchange failed;
    // it has then shown its error text and sent nothing more.
    bool EraseChip();
    bool WriteProgramFlash();
    VerifyOutcome VerifyProgramFlash();
    bool WriteConfigurationWords();
    // The ID locations and the data EEPROM bytes the image marks present, then
    // their verify, which with `configuration` also compares the configuration
    // bytes the image marks present under the group's implemented bits. Neither
    // sends anything when the image holds none of them.
    bool WriteIdAndEeprom();
    VerifyOutcome VerifyIdAndEeprom(bool configuration);
    // One configuration word: `offset` from 300000h, its high and low bytes.
    bool WriteConfigurationWord(std::uint8_t offset, std::uint8_t high, std::uint8_t low);
    // Reads words 0 to `lastAddress` into `program`.
    // Then the ID locations and the configuration bytes into `rest`.
    bool ReadProgramFlash(std::int16_t lastAddress,
                          std::array<std::uint8_t, kMaxProgramBytes>& program,
                          IdAndConfiguration& rest);
    // Reads the data EEPROM 0 to EepromLast into `eeprom`.
    bool ReadEepromData(std::array<std::uint8_t, kMaxEepromBytes>& eeprom);

    // Every byte the last verify (VERIFY or WRITE's) found different, in the
    // order read: flash, ID locations, configuration, EEPROM.
    const std::vector<Difference>& Differences() const { return differences_; }
    // What the last blank check found.
    const BlankCheckReport& BlankReport() const { return blankReport_; }

    // Runs before anything is sent that changes the chip; an outcome other
    // than Completed ends the operation with it (LinkFailed with the
    // operation's error text). None by default.
    using ChipChangeCheck = std::function<OperationResult(ChipChange)>;
    void SetChipChangeCheck(ChipChangeCheck check) { chipChangeCheck_ = std::move(check); }

  private:
    // A packet whose reply the sequence does not read: on a link that keeps
    // several packets in flight it goes without waiting.
    bool Send(protocol::Command command, std::uint8_t d1 = 0, std::uint8_t d2 = 0,
              std::uint8_t d3 = 0);
    // A packet whose reply (or whose having arrived) decides what comes next.
    ExchangeResult SendChecked(protocol::Command command, std::uint8_t d1 = 0, std::uint8_t d2 = 0,
                               std::uint8_t d3 = 0);
    // A table read whose reply is handed to `onReply` when it arrives.
    bool Read(std::uint8_t icspCommand, std::uint8_t count, Link::ReplyHandler onReply);
    // Waits for every reply in flight: a sequence settles before it reports
    // success, so that a failure is found inside the sequence it belongs to.
    bool Settle();
    bool Icsp(std::uint8_t icspCommand, std::uint16_t operand);
    bool Instruction(std::uint16_t word);
    bool SetTablePointer(std::uint32_t address);
    bool LeaveProgramming(protocol::VppLevel level, protocol::LineMode mode);
    bool Fail(const char* errorText);
    bool SwitchLed(bool on, const char* errorText);
    bool SwitchSupply(bool on, const char* errorText);
    bool EnterProgramming();
    bool WriteIdLocations();
    bool WriteEepromByte(int address, std::uint8_t value);
    bool ReadEepromByte(int address, std::uint8_t& value);
    bool HasIdOrEeprom() const;
    // Whether VerifyIdAndEeprom(configuration) has anything to compare.
    bool ComparesMoreThanFlash(bool configuration) const;
    bool ReadIdAndConfiguration(IdAndConfiguration& rest);
    void Notes(Rgb colour, const std::string& caption);
    // After a verify sequence found differences from `firstNew` on: the one
    // message box of the operation (when these are its first differences),
    // TickCountdown 0 and the red error text.
    void ReportDifferences(std::size_t firstNew);
    bool ReadWholeChip(ChipContents& chip, std::vector<std::uint8_t>& program,
                       std::vector<std::uint8_t>& eeprom);
    // The chip-change check; its error text when the link failed in it.
    OperationResult CheckChipChange(ChipChange change, const char* errorText);

    Link& link_;
    Images& images_;
    const DeviceGroupValues& group_;
    std::int16_t& tickCountdown_;
    OperationView& view_;
    MessageBoxes& messages_;
    OperationGuard& guard_;
    std::vector<Difference> differences_;
    BlankCheckReport blankReport_;
    ChipChangeCheck chipChangeCheck_;
};

}  // namespace tamro
