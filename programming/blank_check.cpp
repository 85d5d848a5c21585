// The blank check: the whole chip read and compared with its erased values.

#include <algorithm>

#include "common/number_text.h"
#include "common/protocol.h"
#include "programming/target_operations.h"

namespace tamro {
namespace {
using protocol::Code;
using protocol::Command;
using namespace protocol::instruction;
namespace icsp = protocol::icsp;

constexpr const char* kBlankCheckError = "Blank Check Error";
}  // namespace

OperationResult TargetOperations::BlankCheck() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    blankReport_ = {};
    std::vector<std::uint8_t> program;
    std::vector<std::uint8_t> eeprom;
    ChipContents chip;
    if (!SwitchLed(true, kBlankCheckError) || !SwitchSupply(true, kBlankCheckError) ||
        !ReadWholeChip(chip, program, eeprom) || !SwitchSupply(false, kBlankCheckError) ||
        !SwitchLed(false, kBlankCheckError)) {
        return OperationResult::LinkFailed;
    }
    tickCountdown_ = 0;
    blankReport_ = CheckBlank(chip, group_.configMask);
    if (!blankReport_.Blank()) {
        Notes(kNotesRed, "Not Blank");
        return OperationResult::NotBlank;
    }
    Notes(kNotesWhite, "Blank Check Complete");
    return OperationResult::Completed;
}

bool TargetOperations::ReadWholeChip(ChipContents& chip, std::vector<std::uint8_t>& program,
                                     std::vector<std::uint8_t>& eeprom) {
    Notes(kNotesCyan, "Blank Check");
    if (!EnterProgramming() || !SetTablePointer(0)) return Fail(kBlankCheckError);
    const int flashBytes = 2 * group_.programSize;
    program.assign(static_cast<std::size_t>(flashBytes), 0);
    const int eepromBytes = std::max(group_.eepromLast + 1, 0);
    const int flashGroups = flashBytes / 8;
    const int total = flashGroups + eepromBytes;
    view_.SetProgressStep({ProgressAction::BlankCheck, ChipRegion::Flash});
    for (int group = 0; group < flashGroups; ++group) {
        if (group % 64 == 0)
            view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(4 * group)));
        const auto store = [&program, group](const Packet& reply) {
            std::copy_n(reply.begin(), 8, program.begin() + 8 * group);
        };
        if (!Read(icsp::kTableReadPostIncrement, 8, store)) return Fail(kBlankCheckError);
        view_.SetProgress(group + 1, total);
        view_.ProcessPendingEvents();
    }
    IdAndConfiguration rest;
    if (!ReadIdAndConfiguration(rest) || !Settle() || !Instruction(kBcfEecon1Eepgd) ||
        !Instruction(kBcfEecon1Cfgs)) {
        return Fail(kBlankCheckError);
    }
    eeprom.assign(eepromBytes, 0);
    view_.SetProgressStep({ProgressAction::BlankCheck, ChipRegion::Eeprom});
    for (int a = 0; a < eepromBytes; ++a) {
        if (!ReadEepromByte(a, eeprom[a])) return Fail(kBlankCheckError);
        view_.SetProgress(flashGroups + a + 1, total);
        view_.ProcessPendingEvents();
    }
    if (!LeaveProgramming(protocol::VppLevel::FiveVolts, protocol::LineMode::Mode2) || !Settle()) {
        return Fail(kBlankCheckError);
    }
    view_.SetProgress(0, 0);
    chip.program = program;
    chip.id = rest.id;
    chip.config = rest.config;
    chip.eeprom = eeprom;
    return true;
}

}  // namespace tamro
