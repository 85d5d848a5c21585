#include "programming/target_operations.h"

#include <algorithm>
#include <initializer_list>

#include "common/number_text.h"
#include "common/protocol.h"

namespace tamro {
namespace {

using protocol::Code;
using protocol::Command;
using namespace protocol::instruction;
namespace icsp = protocol::icsp;
namespace address = protocol::address;

constexpr std::uint8_t High(std::uint16_t word) {
    return static_cast<std::uint8_t>(word >> 8);
}
constexpr std::uint8_t Low(std::uint16_t word) {
    return static_cast<std::uint8_t>(word & 0xFF);
}

// TBLPTR values of the erase key registers and the write-mode register.
constexpr std::uint32_t kEraseKeyLowRegister =
    std::uint32_t{address::kEraseKeyUpper} << 16 | address::kEraseKeyLow;
constexpr std::uint32_t kEraseKeyHighRegister =
    std::uint32_t{address::kEraseKeyUpper} << 16 | address::kEraseKeyHigh;
constexpr std::uint32_t kWriteModeRegister =
    std::uint32_t{address::kEraseKeyUpper} << 16 | address::kWriteModeLow;

// The word WRITE, VERIFY and READ stop at: the block and group loops never go
// past the device's last word.
int CappedLastWord(int lastAddress, const DeviceGroupValues& device) {
    return std::min(lastAddress, device.programSize - 1);
}

// Groups of four words read by the verify and the program read for words 0..last.
int GroupsFor(int lastWord) {
    return lastWord < 0 ? 1 : lastWord / 4 + 1;
}

}  // namespace

TargetOperations::TargetOperations(Link& link, Images& images, const DeviceGroupValues& group,
                                   std::int16_t& tickCountdown, OperationView& view,
                                   MessageBoxes& messages, OperationGuard& guard)
    : link_(link),
      images_(images),
      group_(group),
      tickCountdown_(tickCountdown),
      view_(view),
      messages_(messages),
      guard_(guard) {}

bool TargetOperations::Send(Command command, std::uint8_t d1, std::uint8_t d2, std::uint8_t d3) {
    // A stop request ends the operation here, before anything more is sent.
    if (guard_.StopRequested()) {
        link_.FlushQuietly();
        return false;
    }
    return link_.Post(command, d1, d2, d3).ok();
}

ExchangeResult TargetOperations::SendChecked(Command command, std::uint8_t d1, std::uint8_t d2,
                                             std::uint8_t d3) {
    if (guard_.StopRequested()) {
        link_.FlushQuietly();
        return {LinkFailure::NotOpen, {}};
    }
    return link_.Exchange(command, d1, d2, d3);
}

bool TargetOperations::Read(std::uint8_t icspCommand, std::uint8_t count,
                            Link::ReplyHandler onReply) {
    if (guard_.StopRequested()) {
        link_.FlushQuietly();
        return false;
    }
    return link_.Post(Command::TableRead, icspCommand, count, 0, std::move(onReply)).ok();
}

bool TargetOperations::Settle() {
    return link_.Flush().ok();
}

bool TargetOperations::Icsp(std::uint8_t icspCommand, std::uint16_t operand) {
    return Send(Command::Icsp, icspCommand, High(operand), Low(operand));
}

bool TargetOperations::Instruction(std::uint16_t word) {
    return Icsp(icsp::kCoreInstruction, word);
}

bool TargetOperations::SetTablePointer(std::uint32_t address) {
    return Send(Command::SetTablePointer, static_cast<std::uint8_t>(address >> 16),
                static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address));
}

bool TargetOperations::LeaveProgramming(protocol::VppLevel level, protocol::LineMode mode) {
    return Send(Command::VppLevel, Code(level)) && Send(Command::LineMode, Code(mode));
}

bool TargetOperations::Fail(const char* errorText) {
    view_.SetProgress(0, 0);
    Notes(kNotesRed, errorText);
    return false;
}

void TargetOperations::Notes(Rgb colour, const std::string& caption) {
    view_.SetNotesColour(colour);
    view_.SetNotesCaption(caption);
}

// The captions follow the packet once it has left: a packet whose write went
// through but whose reply was lost has still switched the programmer.
bool TargetOperations::SwitchLed(bool on, const char* errorText) {
    const ExchangeResult result = SendChecked(Command::Led, on ? 1 : 0);
    if (result.packetDelivered()) view_.SetLedCaption(on ? "LED on" : "LED off");
    return result.ok() || Fail(errorText);
}

bool TargetOperations::SwitchSupply(bool on, const char* errorText) {
    const ExchangeResult result = SendChecked(Command::TargetSupply, on ? 1 : 0);
    if (result.packetDelivered()) view_.SetVccCaption(on ? "VCC on" : "VCC off");
    return result.ok() || Fail(errorText);
}

OperationResult TargetOperations::CheckChipChange(ChipChange change, const char* errorText) {
    if (!chipChangeCheck_) return OperationResult::Completed;
    const OperationResult outcome = chipChangeCheck_(change);
    if (outcome == OperationResult::LinkFailed) Fail(errorText);
    return outcome;
}

bool TargetOperations::EnterProgramming() {
    return Send(Command::VppLevel, Code(protocol::VppLevel::ZeroVolts)) &&
           Send(Command::LineMode, Code(protocol::LineMode::Mode1)) &&
           Send(Command::VppLevel, Code(protocol::VppLevel::Programming));
}

// ---------------------------------------------------------------- erase

OperationResult TargetOperations::Erase() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    constexpr const char* kError = "Erase Error";
    if (const OperationResult check = CheckChipChange(ChipChange::Erase, kError);
        check != OperationResult::Completed) {
        return check;
    }
    if (!SwitchSupply(true, kError) || !EraseChip() || !SwitchSupply(false, kError)) {
        return OperationResult::LinkFailed;
    }
    return OperationResult::Completed;
}

bool TargetOperations::EraseChip() {
    constexpr const char* kError = "Erase Error";
    view_.StepStarted({StepAction::Erase, std::nullopt, 0});
    if (!EnterProgramming()) return Fail(kError);
    // The device's chip erase operands: one goes to 3C0004h; of two, the
    // first goes to 3C0005h and the second to 3C0004h.
    const std::vector<std::uint16_t>& keys = group_.device.chipEraseKeys;
    bool ok = !keys.empty();
    for (std::size_t i = 0; ok && i < keys.size(); ++i) {
        const bool lowRegister = i + 1 == keys.size();
        ok = SetTablePointer(lowRegister ? kEraseKeyLowRegister : kEraseKeyHighRegister) &&
             Icsp(icsp::kTableWrite, keys[i]);
    }
    ok = ok && Send(Command::ProgrammingNop) && Send(Command::ProgrammingNop) &&
         Send(Command::ProgrammingWait, protocol::kEraseWait) &&
         LeaveProgramming(protocol::VppLevel::FiveVolts, protocol::LineMode::Mode2) && Settle();
    if (!ok) return Fail(kError);
    Notes(kNotesWhite, "Chip Erase Complete");
    return true;
}

// ---------------------------------------------------------------- write

OperationResult TargetOperations::Write(std::int16_t lastAddress) {
    if (tickCountdown_ != 0) return OperationResult::Refused;
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    if (images_.haveData == 0) {
        messages_.Show(MessageIcon::Critical, "WRITE ERROR", "I have no data");
        return OperationResult::NoData;
    }
    constexpr const char* kError = "Write Error";
    // Before the check: a group switch it makes loads the file again, with
    // the file's own last address.
    images_.lastAddress = lastAddress;
    if (const OperationResult check = CheckChipChange(ChipChange::Write, kError);
        check != OperationResult::Completed) {
        return check;
    }
    if (!SwitchLed(true, kError) || !SwitchSupply(true, kError)) {
        return OperationResult::LinkFailed;
    }
    differences_.clear();
    if (!EraseChip() || !WriteProgramFlash()) return OperationResult::LinkFailed;
    VerifyOutcome verify = VerifyProgramFlash();
    // A mismatch has been reported by the verify; the ID locations, the EEPROM
    // data and the configuration are written all the same, as the user may only
    // be comparing against a changed image.
    if (verify == VerifyOutcome::LinkFailed || !WriteIdAndEeprom()) {
        return OperationResult::LinkFailed;
    }
    // Their differences join the list; a flash mismatch has had the one box already.
    const VerifyOutcome rest = VerifyIdAndEeprom(false);
    if (rest != VerifyOutcome::Passed) verify = rest;
    // Configuration last, so that its protection bits cannot block the rest.
    if (verify == VerifyOutcome::LinkFailed || !WriteConfigurationWords()) {
        return OperationResult::LinkFailed;
    }
    if (!SwitchSupply(false, kError) || !SwitchLed(false, kError)) {
        return OperationResult::LinkFailed;
    }
    // A WRITE whose verify found a difference did not program the target as
    // asked: its final report says so instead of "Write Complete".
    if (verify == VerifyOutcome::Mismatch) {
        Notes(kNotesRed, "Write Error: Verify Error");
    } else {
        Notes(kNotesViolet, "Write Complete");
    }
    if (!Send(Command::VppLevel, Code(protocol::VppLevel::FiveVolts)) || !Settle()) {
        Fail(kError);
        return OperationResult::LinkFailed;
    }
    return verify == VerifyOutcome::Mismatch ? OperationResult::VerifyMismatch
                                             : OperationResult::Completed;
}

bool TargetOperations::WriteProgramFlash() {
    constexpr const char* kError = "Write Error";
    Notes(kNotesWhite, "Write");
    if (!EnterProgramming()) return Fail(kError);
    const int blockWords = static_cast<int>(group_.device.writeBufferBytes / 2);
    if (group_.device.singlePanel) {
        if (!(Instruction(kBsfEecon1Eepgd) && Instruction(kBsfEecon1Cfgs) &&
              SetTablePointer(kWriteModeRegister) &&
              Icsp(icsp::kTableWrite, protocol::kSinglePanelWrites))) {
            return Fail(kError);
        }
    }
    if (!(Instruction(kBsfEecon1Eepgd) && Instruction(kBcfEecon1Cfgs))) return Fail(kError);
    const int lastWord = CappedLastWord(images_.lastAddress, group_);
    const int totalBlocks = lastWord < 0 ? 1 : lastWord / blockWords + 1;
    view_.StepStarted({StepAction::Write, ChipRegion::Flash, 2 * blockWords * totalBlocks});
    view_.SetProgressStep({ProgressAction::Write, ChipRegion::Flash});
    int blocksDone = 0;
    int w = 0;
    do {
        if (!SetTablePointer(static_cast<std::uint32_t>(2 * w))) return Fail(kError);
        view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(w)));
        for (int i = 0; i < blockWords; ++i, ++w) {
            const std::uint8_t command = i == blockWords - 1 ? icsp::kTableWriteStartProgramming
                                                             : icsp::kTableWritePostIncrement2;
            if (!Send(Command::Icsp, command, images_.program[2 * w + 1], images_.program[2 * w])) {
                return Fail(kError);
            }
        }
        if (!Send(Command::ProgrammingNop) ||
            !Send(Command::ProgrammingWait, protocol::kRowWriteWait)) {
            return Fail(kError);
        }
        view_.SetProgress(++blocksDone, totalBlocks);
        view_.ProcessPendingEvents();
    } while (w <= lastWord);
    if (!LeaveProgramming(protocol::VppLevel::FiveVolts, protocol::LineMode::Mode1) || !Settle()) {
        return Fail(kError);
    }
    view_.SetProgress(0, 0);
    Notes(kNotesWhite, "Write Complete");
    return true;
}

// ---------------------------------------------------------------- verify

OperationResult TargetOperations::Verify() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    // Without a loaded file there is nothing to compare the target with.
    if (images_.haveData == 0) {
        messages_.Show(MessageIcon::Critical, "VERIFY ERROR", "I have no data");
        return OperationResult::NoData;
    }
    constexpr const char* kError = "Verify Error";
    differences_.clear();
    if (!SwitchLed(true, kError) || !SwitchSupply(true, kError)) {
        return OperationResult::LinkFailed;
    }
    VerifyOutcome verify = VerifyProgramFlash();
    if (verify == VerifyOutcome::LinkFailed) return OperationResult::LinkFailed;
    // The rest is compared after a flash difference too, for the whole list.
    const VerifyOutcome rest = VerifyIdAndEeprom(true);
    if (rest == VerifyOutcome::LinkFailed) return OperationResult::LinkFailed;
    // A flash difference stays the verify's last word after a passing rest.
    if (verify == VerifyOutcome::Mismatch && rest == VerifyOutcome::Passed &&
        ComparesMoreThanFlash(true)) {
        Notes(kNotesRed, kError);
    }
    if (rest == VerifyOutcome::Mismatch) verify = VerifyOutcome::Mismatch;
    if (!SwitchSupply(false, kError) || !SwitchLed(false, kError)) {
        return OperationResult::LinkFailed;
    }
    return verify == VerifyOutcome::Mismatch ? OperationResult::VerifyMismatch
                                             : OperationResult::Completed;
}

VerifyOutcome TargetOperations::VerifyProgramFlash() {
    constexpr const char* kError = "Verify Error";
    differences_.clear();
    Notes(kNotesWhite, "Verify");
    if (!EnterProgramming() || !SetTablePointer(0)) {
        Fail(kError);
        return VerifyOutcome::LinkFailed;
    }
    // Words 0 to LastAddress, the last one included; a LastAddress of 0 or
    // below compares the first group of four. Every group is read, so that
    // the list holds every difference.
    const int lastWord = images_.lastAddress <= 0 ? 3 : CappedLastWord(images_.lastAddress, group_);
    const int totalGroups = GroupsFor(lastWord);
    view_.StepStarted({StepAction::Verify, ChipRegion::Flash, 2 * (lastWord + 1)});
    int w = 0;
    // Each group's reply is compared when it arrives; with several packets in
    // flight that is after later reads have been sent.
    const auto compare = [this, lastWord](int first, const Packet& reply) {
        for (int j = 0, word = first; j < 4 && word <= lastWord; ++j, ++word) {
            for (int half = 0; half < 2; ++half) {
                const int byte = 2 * word + half;
                if (reply[2 * j + half] != images_.program[byte]) {
                    differences_.push_back({ChipRegion::Flash, static_cast<std::uint32_t>(byte),
                                            images_.program[byte], reply[2 * j + half]});
                }
            }
        }
    };
    view_.SetProgressStep({ProgressAction::Verify, ChipRegion::Flash});
    for (int group = 0; group < totalGroups; ++group) {
        view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(w)));
        const int first = w;
        if (!Read(icsp::kTableReadPostIncrement, 8,
                  [&compare, first](const Packet& reply) { compare(first, reply); })) {
            Fail(kError);
            return VerifyOutcome::LinkFailed;
        }
        w = std::min(first + 4, lastWord + 1);
        view_.SetProgress(group + 1, totalGroups);
        view_.ProcessPendingEvents();
    }
    if (!Settle()) {
        Fail(kError);
        return VerifyOutcome::LinkFailed;
    }
    if (!differences_.empty()) {
        // CurrentAddrText shows the group of four that holds the first differing word.
        const std::uint32_t firstWord = differences_.front().address / 2;
        view_.SetCurrentAddress(HexText(firstWord - firstWord % 4));
        const bool left =
            LeaveProgramming(protocol::VppLevel::FiveVolts, protocol::LineMode::Mode1) && Settle();
        ReportDifferences(0);
        return left ? VerifyOutcome::Mismatch : VerifyOutcome::LinkFailed;
    }
    if (!LeaveProgramming(protocol::VppLevel::FiveVolts, protocol::LineMode::Mode1) || !Settle()) {
        Fail(kError);
        return VerifyOutcome::LinkFailed;
    }
    view_.SetProgress(0, 0);
    Notes(kNotesWhite, "Verify Complete");
    return VerifyOutcome::Passed;
}

void TargetOperations::ReportDifferences(std::size_t firstNew) {
    if (firstNew == 0) {
        messages_.Show(MessageIcon::Critical, "VERIFY ERROR",
                       VerifyErrorText(differences_.front()));
    }
    tickCountdown_ = 0;
    Fail("Verify Error");
}

// ---------------------------------------------------------------- ID locations and data EEPROM

bool TargetOperations::HasIdOrEeprom() const {
    const auto present = [](const auto& marks) {
        return std::find(marks.begin(), marks.end(), true) != marks.end();
    };
    return present(images_.idPresent) || present(images_.eepromPresent);
}

bool TargetOperations::WriteIdAndEeprom() {
    if (!HasIdOrEeprom()) return true;
    constexpr const char* kError = "Write Error";
    Notes(kNotesWhite, "Write");
    if (!EnterProgramming()) return Fail(kError);
    const bool idPresent = std::find(images_.idPresent.begin(), images_.idPresent.end(), true) !=
                           images_.idPresent.end();
    if (idPresent) {
        view_.StepStarted({StepAction::Write, ChipRegion::IdLocations, kIdBytes});
        if (!WriteIdLocations()) return Fail(kError);
    }
    const int eepromBytes = static_cast<int>(
        std::count(images_.eepromPresent.begin(), images_.eepromPresent.end(), true));
    if (eepromBytes > 0) view_.StepStarted({StepAction::Write, ChipRegion::Eeprom, eepromBytes});
    if (!(Instruction(kBcfEecon1Eepgd) && Instruction(kBcfEecon1Cfgs))) return Fail(kError);
    for (int a = 0; a < images_.eepromBytes; ++a) {
        if (!images_.eepromPresent[a]) continue;
        view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(a)));
        if (!WriteEepromByte(a, images_.eeprom[a])) return Fail(kError);
        view_.ProcessPendingEvents();
    }
    if (!LeaveProgramming(protocol::VppLevel::FiveVolts, protocol::LineMode::Mode1) || !Settle()) {
        return Fail(kError);
    }
    return true;
}

bool TargetOperations::WriteIdLocations() {
    // The 8-byte flash row at 200000h; bytes the file leaves out stay erased (FFh),
    // as programming only clears bits. The 18F452 group writes it single-panel.
    if (group_.device.singlePanel &&
        !(Instruction(kBsfEecon1Eepgd) && Instruction(kBsfEecon1Cfgs) &&
          SetTablePointer(kWriteModeRegister) &&
          Icsp(icsp::kTableWrite, protocol::kSinglePanelWrites))) {
        return false;
    }
    if (!(Instruction(kBsfEecon1Eepgd) && Instruction(kBcfEecon1Cfgs) &&
          SetTablePointer(kIdBase))) {
        return false;
    }
    for (int i = 0; i < kIdBytes; i += 2) {
        const auto byte = [this](int index) -> std::uint8_t {
            return images_.idPresent[index] ? images_.id[index] : 0xFF;
        };
        const std::uint8_t command =
            i == kIdBytes - 2 ? icsp::kTableWriteStartProgramming : icsp::kTableWritePostIncrement2;
        if (!Send(Command::Icsp, command, byte(i + 1), byte(i))) return false;
    }
    return Send(Command::ProgrammingNop) && Send(Command::ProgrammingWait, protocol::kRowWriteWait);
}

namespace {
std::uint16_t Movlw(int literal) {
    return static_cast<std::uint16_t>(kMovlwHigh << 8 | (literal & 0xFF));
}
}  // namespace

bool TargetOperations::WriteEepromByte(int address, std::uint8_t value) {
    bool ok = Instruction(Movlw(address)) && Instruction(kMovwfEeadr);
    if (group_.device.eeadrh)
        ok = ok && Instruction(Movlw(address >> 8)) && Instruction(kMovwfEeadrh);
    ok =
        ok && Instruction(Movlw(value)) && Instruction(kMovwfEedata) && Instruction(kBsfEecon1Wren);
    if (group_.device.eepromUnlock) {
        ok = ok && Instruction(Movlw(protocol::kEepromUnlockFirst)) && Instruction(kMovwfEecon2) &&
             Instruction(Movlw(protocol::kEepromUnlockSecond)) && Instruction(kMovwfEecon2);
    }
    ok = ok && Instruction(kBsfEecon1Wr) &&
         Send(Command::ProgrammingWait, protocol::kEepromWriteWait);
    // WR stays set until the self-timed write is done.
    bool done = false;
    for (int poll = 0; ok && !done && poll < protocol::kEepromWritePolls; ++poll) {
        ok = Instruction(kMovfEecon1W) && Instruction(kMovwfTablat) && Instruction(kNop) &&
             SendChecked(Command::TableRead, icsp::kShiftOutTablat, 1).ok();
        done = ok && (link_.ReceiveBuffer()[0] & protocol::kEecon1Wr) == 0;
    }
    return ok && done && Instruction(kBcfEecon1Wren);
}

bool TargetOperations::ReadEepromByte(int address, std::uint8_t& value) {
    const bool ok = Instruction(Movlw(address)) && Instruction(kMovwfEeadr) &&
                    Instruction(Movlw(address >> 8)) && Instruction(kMovwfEeadrh) &&
                    Instruction(kBsfEecon1Rd) && Instruction(kMovfEedataW) &&
                    Instruction(kMovwfTablat) && Instruction(kNop) &&
                    SendChecked(Command::TableRead, icsp::kShiftOutTablat, 1).ok();
    if (ok) value = link_.ReceiveBuffer()[0];
    return ok;
}

bool TargetOperations::ComparesMoreThanFlash(bool configuration) const {
    return HasIdOrEeprom() ||
           (configuration && std::find(images_.configPresent.begin(), images_.configPresent.end(),
                                       true) != images_.configPresent.end());
}

VerifyOutcome TargetOperations::VerifyIdAndEeprom(bool configuration) {
    if (!ComparesMoreThanFlash(configuration)) return VerifyOutcome::Passed;
    constexpr const char* kError = "Verify Error";
    Notes(kNotesWhite, "Verify");
    const auto marked = [](const auto& marks) {
        return static_cast<int>(std::count(marks.begin(), marks.end(), true));
    };
    if (const int bytes = marked(images_.idPresent); bytes > 0) {
        view_.StepStarted({StepAction::Verify, ChipRegion::IdLocations, bytes});
    }
    if (const int bytes = marked(images_.configPresent); configuration && bytes > 0) {
        view_.StepStarted({StepAction::Verify, ChipRegion::Configuration, bytes});
    }
    IdAndConfiguration chip;
    if (!EnterProgramming() || !ReadIdAndConfiguration(chip) || !Settle()) {
        Fail(kError);
        return VerifyOutcome::LinkFailed;
    }
    const std::size_t firstNew = differences_.size();
    for (int i = 0; i < kIdBytes; ++i) {
        if (images_.idPresent[i] && chip.id[i] != images_.id[i]) {
            differences_.push_back({ChipRegion::IdLocations,
                                    kIdBase + static_cast<std::uint32_t>(i), images_.id[i],
                                    chip.id[i]});
        }
    }
    for (int i = 0; i < kConfigSize && configuration; ++i) {
        const std::uint8_t mask = group_.configMask[i];
        if (images_.configPresent[i] && (chip.config[i] & mask) != (images_.config[i] & mask)) {
            differences_.push_back({ChipRegion::Configuration,
                                    kConfigBase + static_cast<std::uint32_t>(i), images_.config[i],
                                    chip.config[i]});
        }
    }
    if (!(Instruction(kBcfEecon1Eepgd) && Instruction(kBcfEecon1Cfgs))) {
        Fail(kError);
        return VerifyOutcome::LinkFailed;
    }
    if (const int bytes = marked(images_.eepromPresent); bytes > 0) {
        view_.StepStarted({StepAction::Verify, ChipRegion::Eeprom, bytes});
    }
    for (int a = 0; a < images_.eepromBytes; ++a) {
        if (!images_.eepromPresent[a]) continue;
        std::uint8_t value = 0;
        if (!ReadEepromByte(a, value)) {
            Fail(kError);
            return VerifyOutcome::LinkFailed;
        }
        if (value != images_.eeprom[a]) {
            differences_.push_back({ChipRegion::Eeprom, kEepromBase + static_cast<std::uint32_t>(a),
                                    images_.eeprom[a], value});
        }
    }
    const bool left =
        LeaveProgramming(protocol::VppLevel::FiveVolts, protocol::LineMode::Mode1) && Settle();
    if (differences_.size() > firstNew) {
        ReportDifferences(firstNew);
        return left ? VerifyOutcome::Mismatch : VerifyOutcome::LinkFailed;
    }
    if (!left) {
        Fail(kError);
        return VerifyOutcome::LinkFailed;
    }
    Notes(kNotesWhite, "Verify Complete");
    return VerifyOutcome::Passed;
}

// ---------------------------------------------------------------- configuration write

OperationResult TargetOperations::WriteConfiguration() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    if (const OperationResult check =
            CheckChipChange(ChipChange::Configuration, "Config Write Error");
        check != OperationResult::Completed) {
        return check;
    }
    return WriteConfigurationWords() ? OperationResult::Completed : OperationResult::LinkFailed;
}

bool TargetOperations::WriteConfigurationWords() {
    constexpr const char* kError = "Config Write Error";
    Notes(kNotesRed, "Now Reading");
    view_.StepStarted({StepAction::Write, ChipRegion::Configuration, kConfigSize});
    if (!EnterProgramming()) return Fail(kError);
    if (!(Instruction(kBsfEecon1Eepgd) && Instruction(kBsfEecon1Cfgs))) return Fail(kError);
    if (group_.device.configGoto) {
        if (!(Instruction(kGoto100000First) && Instruction(kGoto100000Second))) {
            return Fail(kError);
        }
    }
    // 30000Ch/30000Dh goes before 30000Ah/30000Bh.
    for (const std::uint8_t word : std::initializer_list<std::uint8_t>{0, 2, 4, 6, 8, 12, 10}) {
        if (!WriteConfigurationWord(word, images_.config[word + 1], images_.config[word])) {
            return false;
        }
    }
    if (!LeaveProgramming(protocol::VppLevel::ZeroVolts, protocol::LineMode::Mode1) || !Settle()) {
        return Fail(kError);
    }
    Notes(kNotesWhite, "Config Write Complete");
    return true;
}

bool TargetOperations::WriteConfigurationWord(std::uint8_t offset, std::uint8_t high,
                                              std::uint8_t low) {
    // One byte per programming cycle: the even byte first, then INCF TBLPTRL
    // and the odd one, each write carrying both bytes.
    const std::uint16_t operand = static_cast<std::uint16_t>(high << 8 | low);
    const bool ok =
        SetTablePointer(static_cast<std::uint32_t>(address::kConfigUpper) << 16 | offset) &&
        Icsp(icsp::kTableWriteStartProgramming, operand) && Send(Command::ProgrammingNop) &&
        Send(Command::ProgrammingWait, protocol::kConfigWriteWait) && Instruction(kIncfTblptrl) &&
        Icsp(icsp::kTableWriteStartProgramming, operand) && Send(Command::ProgrammingNop) &&
        Send(Command::ProgrammingWait, protocol::kConfigWriteWait);
    return ok || Fail("Config Write Error");
}

// ---------------------------------------------------------------- program read

OperationResult TargetOperations::ReadProgram(std::int16_t lastAddress) {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    constexpr const char* kError = "Read Error";
    // Read into a copy: the image changes only when the whole read succeeded,
    // and the words beyond the last address keep their contents.
    auto scratch = images_.program;
    IdAndConfiguration rest;
    if (!SwitchLed(true, kError) || !SwitchSupply(true, kError) ||
        !ReadProgramFlash(lastAddress, scratch, rest) || !SwitchSupply(false, kError) ||
        !SwitchLed(false, kError)) {
        return OperationResult::LinkFailed;
    }
    images_.program = scratch;
    images_.programHeld = true;
    images_.id = rest.id;
    images_.idPresent.fill(true);
    std::copy(rest.config.begin(), rest.config.end(), images_.config.begin());
    images_.configPresent.fill(true);
    view_.ShowConfiguration();
    images_.haveData = 0;
    view_.ClearFileName();
    view_.ShowProgramBuffer();
    return OperationResult::Completed;
}

bool TargetOperations::ReadProgramFlash(std::int16_t lastAddress,
                                        std::array<std::uint8_t, kMaxProgramBytes>& program,
                                        IdAndConfiguration& rest) {
    constexpr const char* kError = "Read Error";
    const int last = lastAddress;
    view_.SetStartAddress("0");
    Notes(kNotesCyan, "Now Reading");
    if (!EnterProgramming() || !SetTablePointer(0)) return Fail(kError);
    // Words 0 to L, L included; a negative L reads the first group of four.
    const int lastWord = last < 0 ? 3 : CappedLastWord(last, group_);
    const int totalGroups = GroupsFor(lastWord);
    view_.StepStarted({StepAction::Read, ChipRegion::Flash, 2 * (lastWord + 1)});
    view_.SetProgressStep({ProgressAction::Read, ChipRegion::Flash});
    int w = 0;
    for (int group = 0; group < totalGroups; ++group) {
        view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(w)));
        const int first = w;
        const auto store = [&program, first, lastWord](const Packet& reply) {
            for (int j = 0, word = first; j < 4 && word <= lastWord; ++j, ++word) {
                program[2 * word] = reply[2 * j];
                program[2 * word + 1] = reply[2 * j + 1];
            }
        };
        if (!Read(icsp::kTableReadPostIncrement, 8, store)) return Fail(kError);
        w = std::min(first + 4, lastWord + 1);
        view_.SetProgress(group + 1, totalGroups);
        view_.ProcessPendingEvents();
    }
    // The last word read; a negative L leaves the word after the group.
    view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(last < 0 ? w : lastWord)));
    view_.StepStarted({StepAction::Read, ChipRegion::IdLocations, kIdBytes});
    view_.StepStarted({StepAction::Read, ChipRegion::Configuration, kConfigSize});
    if (!ReadIdAndConfiguration(rest) ||
        !LeaveProgramming(protocol::VppLevel::FiveVolts, protocol::LineMode::Mode2) || !Settle()) {
        return Fail(kError);
    }
    tickCountdown_ = 0;
    view_.SetProgress(0, 0);
    Notes(kNotesWhite, "Read Complete");
    return true;
}

bool TargetOperations::ReadIdAndConfiguration(IdAndConfiguration& rest) {
    const auto into = [](std::uint8_t* destination, int count) {
        return [destination, count](const Packet& reply) {
            std::copy_n(reply.begin(), count, destination);
        };
    };
    return SetTablePointer(kIdBase) &&
           Read(icsp::kTableReadPostIncrement, kIdBytes, into(rest.id.data(), kIdBytes)) &&
           SetTablePointer(kConfigBase) &&
           Read(icsp::kTableReadPostIncrement, 8, into(rest.config.data(), 8)) &&
           Read(icsp::kTableReadPostIncrement, kConfigSize - 8,
                into(rest.config.data() + 8, kConfigSize - 8));
}

// ---------------------------------------------------------------- EEPROM read

OperationResult TargetOperations::ReadEeprom() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    constexpr const char* kError = "EE Read Error";
    // A device without data EEPROM has nothing to read; its EEDATA holds no byte of the chip.
    if (group_.eepromLast < 0) {
        images_.eepromReadLast = -1;
        Notes(kNotesWhite, "The " + group_.device.name + " has no data EEPROM");
        return OperationResult::Completed;
    }
    std::array<std::uint8_t, kMaxEepromBytes> scratch = images_.eepromRead;
    if (!SwitchLed(true, kError) || !SwitchSupply(true, kError) || !ReadEepromData(scratch) ||
        !SwitchSupply(false, kError) || !SwitchLed(false, kError)) {
        return OperationResult::LinkFailed;
    }
    // What was read goes to the viewer and to Save HEX; the bytes WRITE
    // writes stay those of the loaded file.
    images_.eepromRead = scratch;
    images_.eepromReadLast = group_.eepromLast;
    view_.ShowEepromBuffer();
    tickCountdown_ = 0;
    return OperationResult::Completed;
}

bool TargetOperations::ReadEepromData(std::array<std::uint8_t, kMaxEepromBytes>& eeprom) {
    constexpr const char* kError = "EE Read Error";
    Notes(kNotesCyan, "Now Reading");
    const int last = group_.eepromLast;
    if (!EnterProgramming() || !Instruction(kBcfEecon1Eepgd) || !Instruction(kBcfEecon1Cfgs)) {
        return Fail(kError);
    }
    const int total = std::max(last, 0) + 1;
    view_.StepStarted({StepAction::Read, ChipRegion::Eeprom, total});
    view_.SetProgressStep({ProgressAction::Read, ChipRegion::Eeprom});
    int a = 0;
    do {
        view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(a)));
        const auto movlw = [](int literal) {
            return static_cast<std::uint16_t>(kMovlwHigh << 8 | (literal & 0xFF));
        };
        const bool ok = Instruction(movlw(a)) && Instruction(kMovwfEeadr) &&
                        Instruction(movlw(a >> 8)) && Instruction(kMovwfEeadrh) &&
                        Instruction(kBsfEecon1Rd) && Instruction(kMovfEedataW) &&
                        Instruction(kMovwfTablat) &&
                        Read(icsp::kShiftOutTablat, 2,
                             [&eeprom, a](const Packet& reply) { eeprom[a] = reply[0]; });
        if (!ok) return Fail(kError);
        ++a;
        view_.SetProgress(a, total);
        view_.ProcessPendingEvents();
    } while (a <= last);
    if (!LeaveProgramming(protocol::VppLevel::FiveVolts, protocol::LineMode::Mode2) || !Settle()) {
        return Fail(kError);
    }
    tickCountdown_ = 0;
    view_.SetProgress(0, 0);
    Notes(kNotesWhite, "EE Read Complete");
    return true;
}

}  // namespace tamro
