#include "programming/target_operations.h"

#include <algorithm>
#include <initializer_list>

#include "common/number_text.h"

namespace tamro {
namespace {

constexpr int kLastEepromAddress = 255;

// Core instruction words sent with ICSP command 0.
constexpr std::uint16_t kBsfEepgd = 0x8EA6;
constexpr std::uint16_t kBsfCfgs = 0x8CA6;
constexpr std::uint16_t kBcfEepgd = 0x9EA6;
constexpr std::uint16_t kBcfCfgs = 0x9CA6;
constexpr std::uint16_t kBsfRd = 0x80A6;
constexpr std::uint16_t kMovwfEeadr = 0x6EA9;
constexpr std::uint16_t kMovwfEeadrh = 0x6EAA;
constexpr std::uint16_t kMovfEedata = 0x50A8;
constexpr std::uint16_t kMovwfTablat = 0x6EF5;
constexpr std::uint16_t kIncfTblptrl = 0x2AF6;
constexpr std::uint16_t kGoto100000First = 0xEF00;
constexpr std::uint16_t kGoto100000Second = 0xF800;
constexpr std::uint8_t kMovlw = 0x0E;

constexpr std::uint8_t High(std::uint16_t word) {
    return static_cast<std::uint8_t>(word >> 8);
}
constexpr std::uint8_t Low(std::uint16_t word) {
    return static_cast<std::uint8_t>(word & 0xFF);
}

// The word WRITE and VERIFY stop at: the block and group loops never go past 3FFFh.
int CappedLastWord(int lastAddress) {
    return std::min(lastAddress, kLastProgramWord);
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

bool TargetOperations::Send(std::uint8_t d0, std::uint8_t d1, std::uint8_t d2, std::uint8_t d3) {
    return link_.SENDCMD(d0, d1, d2, d3) == 0;
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
    const bool ok = Send(59, on ? 1 : 0);
    if (ok || link_.UsbMessage() == "Read NG!:") view_.SetLedCaption(on ? "LED on" : "LED off");
    return ok || Fail(errorText);
}

bool TargetOperations::SwitchSupply(bool on, const char* errorText) {
    const bool ok = Send(58, on ? 1 : 0);
    if (ok || link_.UsbMessage() == "Read NG!:") view_.SetVccCaption(on ? "VCC on" : "VCC off");
    return ok || Fail(errorText);
}

bool TargetOperations::EnterProgramming() {
    return Send(50, 0) && Send(49, 1) && Send(50, 2);
}

// ---------------------------------------------------------------- erase

OperationResult TargetOperations::ERASEButton_Click() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    constexpr const char* kError = "Erase Error";
    if (!SwitchSupply(true, kError) || !CHIP_ERASE() || !SwitchSupply(false, kError)) {
        return OperationResult::LinkFailed;
    }
    return OperationResult::Completed;
}

bool TargetOperations::CHIP_ERASE() {
    constexpr const char* kError = "Erase Error";
    if (!EnterProgramming()) return Fail(kError);
    bool ok;
    if (group_.eraseMode == "1") {
        ok = Send(33, 0x3C, 0x00, 0x05) && Send(32, 12, 0x0F, 0x0F) && Send(33, 0x3C, 0x00, 0x04) &&
             Send(32, 12, 0x87, 0x87);
    } else {
        ok = Send(33, 0x3C, 0x00, 0x04) && Send(32, 12, 0x00, 0x80);
    }
    ok = ok && Send(35) && Send(35) && Send(56, 10) && Send(50, 1) && Send(49, 2);
    if (!ok) return Fail(kError);
    Notes(kNotesWhite, "Chip Erase Complete");
    return true;
}

// ---------------------------------------------------------------- write

OperationResult TargetOperations::WriteButton_Click(const std::string& lastAddrText) {
    if (tickCountdown_ != 0) return OperationResult::Refused;
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    if (images_.haveData == 0) {
        messages_.Show(MessageIcon::Critical, "WRITE ERROR", "I have no data");
        return OperationResult::NoData;
    }
    constexpr const char* kError = "Write Error";
    if (!SwitchLed(true, kError) || !SwitchSupply(true, kError)) {
        return OperationResult::LinkFailed;
    }
    images_.lastAddress = HexValue16(lastAddrText);
    if (!CHIP_ERASE() || !WR_PROGRAM()) return OperationResult::LinkFailed;
    const VerifyOutcome verify = VR_PROGRAM();
    // A mismatch has been reported by the verify; the configuration is written
    // all the same, as the user may only be comparing against a changed image.
    if (verify == VerifyOutcome::LinkFailed || !WR_CONFIG_ALL()) {
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
    if (!Send(50, 1)) {
        Fail(kError);
        return OperationResult::LinkFailed;
    }
    return verify == VerifyOutcome::Mismatch ? OperationResult::VerifyMismatch
                                             : OperationResult::Completed;
}

bool TargetOperations::WR_PROGRAM() {
    constexpr const char* kError = "Write Error";
    Notes(kNotesWhite, "Write");
    if (!EnterProgramming()) return Fail(kError);
    const bool is4520Group = group_.writeMode == "1";
    const int blockWords = is4520Group ? 16 : 4;
    if (!is4520Group) {
        // Single-panel writes: 00h at 3C0006h.
        if (!(Send(32, 0, High(kBsfEepgd), Low(kBsfEepgd)) &&
              Send(32, 0, High(kBsfCfgs), Low(kBsfCfgs)) && Send(33, 0x3C, 0x00, 0x06) &&
              Send(32, 12, 0x00, 0x00))) {
            return Fail(kError);
        }
    }
    if (!(Send(32, 0, High(kBsfEepgd), Low(kBsfEepgd)) &&
          Send(32, 0, High(kBcfCfgs), Low(kBcfCfgs)))) {
        return Fail(kError);
    }
    const int lastWord = CappedLastWord(images_.lastAddress);
    const int totalBlocks = lastWord < 0 ? 1 : lastWord / blockWords + 1;
    int blocksDone = 0;
    int w = 0;
    do {
        const int byteAddress = 2 * w;
        if (!Send(33, 0, static_cast<std::uint8_t>(byteAddress >> 8),
                  static_cast<std::uint8_t>(byteAddress & 0xFF))) {
            return Fail(kError);
        }
        view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(w)));
        for (int i = 0; i < blockWords; ++i, ++w) {
            const std::uint8_t command = i == blockWords - 1 ? 15 : 13;
            if (!Send(32, command, images_.program[2 * w + 1], images_.program[2 * w])) {
                return Fail(kError);
            }
        }
        if (!Send(35) || !Send(56, 1)) return Fail(kError);
        view_.SetProgress(++blocksDone, totalBlocks);
        view_.ProcessPendingEvents();
    } while (w <= lastWord);
    if (!Send(50, 1) || !Send(49, 1)) return Fail(kError);
    view_.SetProgress(0, 0);
    Notes(kNotesWhite, "Write Complete");
    return true;
}

// ---------------------------------------------------------------- verify

OperationResult TargetOperations::VerifyButton_Click() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    constexpr const char* kError = "Verify Error";
    if (!SwitchLed(true, kError) || !SwitchSupply(true, kError)) {
        return OperationResult::LinkFailed;
    }
    const VerifyOutcome verify = VR_PROGRAM();
    if (verify == VerifyOutcome::LinkFailed) return OperationResult::LinkFailed;
    if (!SwitchSupply(false, kError) || !SwitchLed(false, kError)) {
        return OperationResult::LinkFailed;
    }
    return verify == VerifyOutcome::Mismatch ? OperationResult::VerifyMismatch
                                             : OperationResult::Completed;
}

VerifyOutcome TargetOperations::VR_PROGRAM() {
    constexpr const char* kError = "Verify Error";
    Notes(kNotesWhite, "Verify");
    if (!EnterProgramming() || !Send(33, 0, 0, 0)) {
        Fail(kError);
        return VerifyOutcome::LinkFailed;
    }
    // Words 0 to LastAddress, the last one included; a LastAddress of 0 or
    // below compares the first group of four.
    const int lastWord = images_.lastAddress <= 0 ? 3 : CappedLastWord(images_.lastAddress);
    const int totalGroups = GroupsFor(lastWord);
    int w = 0;
    bool mismatch = false;
    for (int group = 0; group < totalGroups && !mismatch; ++group) {
        view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(w)));
        if (!Send(34, 9, 8)) {
            Fail(kError);
            return VerifyOutcome::LinkFailed;
        }
        const auto& reply = link_.ReceiveBuffer();
        for (int j = 0; j < 4 && w <= lastWord; ++j, ++w) {
            if (reply[2 * j + 1] != images_.program[2 * w + 1] ||
                reply[2 * j] != images_.program[2 * w]) {
                mismatch = true;
                mismatchWord_ = w;
                break;
            }
        }
        if (!mismatch) {
            view_.SetProgress(group + 1, totalGroups);
            view_.ProcessPendingEvents();
        }
    }
    if (mismatch) {
        messages_.Show(MessageIcon::Critical, "VERIFY ERROR", "Verify Data ERROR");
        const bool left = Send(50, 1) && Send(49, 1);
        tickCountdown_ = 0;
        Fail(kError);
        return left ? VerifyOutcome::Mismatch : VerifyOutcome::LinkFailed;
    }
    if (!Send(50, 1) || !Send(49, 1)) {
        Fail(kError);
        return VerifyOutcome::LinkFailed;
    }
    view_.SetProgress(0, 0);
    Notes(kNotesWhite, "Verify Complete");
    return VerifyOutcome::Passed;
}

// ---------------------------------------------------------------- configuration write

bool TargetOperations::WR_CONFIG_ALL() {
    constexpr const char* kError = "Config Write Error";
    Notes(kNotesRed, "Now Reading");
    if (!EnterProgramming()) return Fail(kError);
    if (!(Send(32, 0, High(kBsfEepgd), Low(kBsfEepgd)) &&
          Send(32, 0, High(kBsfCfgs), Low(kBsfCfgs)))) {
        return Fail(kError);
    }
    if (group_.writeMode == "0") {
        if (!(Send(32, 0, High(kGoto100000First), Low(kGoto100000First)) &&
              Send(32, 0, High(kGoto100000Second), Low(kGoto100000Second)))) {
            return Fail(kError);
        }
    }
    // 30000Ch/30000Dh goes before 30000Ah/30000Bh.
    for (const std::uint8_t M : std::initializer_list<std::uint8_t>{0, 2, 4, 6, 8, 12, 10}) {
        if (!WR_CONFIG(M, images_.config[M + 1], images_.config[M])) return false;
    }
    if (!Send(50, 0) || !Send(49, 1)) return Fail(kError);
    Notes(kNotesWhite, "Config Write Complete");
    return true;
}

bool TargetOperations::WR_CONFIG(std::uint8_t M, std::uint8_t DATAH, std::uint8_t DATAL) {
    const bool ok = Send(33, 0x30, 0x00, M) && Send(32, 15, DATAH, DATAL) && Send(35) &&
                    Send(56, 2) && Send(32, 0, High(kIncfTblptrl), Low(kIncfTblptrl)) &&
                    Send(32, 15, DATAH, DATAL) && Send(35) && Send(56, 2);
    return ok || Fail("Config Write Error");
}

// ---------------------------------------------------------------- program read

OperationResult TargetOperations::READ_Click(const std::string& lastAddrText) {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    constexpr const char* kError = "Read Error";
    // Read into a copy: the image changes only when the whole read succeeded,
    // and the words beyond the last address keep their contents.
    auto scratch = images_.program;
    if (!SwitchLed(true, kError) || !SwitchSupply(true, kError) ||
        !RD_PROGRAM(lastAddrText, scratch) || !SwitchSupply(false, kError) ||
        !SwitchLed(false, kError)) {
        return OperationResult::LinkFailed;
    }
    images_.program = scratch;
    images_.haveData = 0;
    view_.ClearFileName();
    view_.ShowProgramBuffer();
    return OperationResult::Completed;
}

bool TargetOperations::RD_PROGRAM(const std::string& lastAddrText,
                                  std::array<std::uint8_t, kProgramBytes>& program) {
    constexpr const char* kError = "Read Error";
    const int last = HexValue16(lastAddrText);
    view_.SetStartAddress("0");
    Notes(kNotesCyan, "Now Reading");
    if (!EnterProgramming() || !Send(33, 0, 0, 0)) return Fail(kError);
    // Words 0 to L, L included; a negative L reads the first group of four.
    const int lastWord = last < 0 ? 3 : CappedLastWord(last);
    const int totalGroups = GroupsFor(lastWord);
    int w = 0;
    for (int group = 0; group < totalGroups; ++group) {
        view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(w)));
        if (!Send(34, 9, 8)) return Fail(kError);
        const auto& reply = link_.ReceiveBuffer();
        for (int j = 0; j < 4 && w <= lastWord; ++j, ++w) {
            program[2 * w] = reply[2 * j];
            program[2 * w + 1] = reply[2 * j + 1];
        }
        view_.SetProgress(group + 1, totalGroups);
        view_.ProcessPendingEvents();
    }
    // The last word read; a negative L leaves the word after the group.
    view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(last < 0 ? w : lastWord)));
    if (!Send(50, 1) || !Send(49, 2)) return Fail(kError);
    tickCountdown_ = 0;
    view_.SetProgress(0, 0);
    Notes(kNotesWhite, "Read Complete");
    return true;
}

// ---------------------------------------------------------------- EEPROM read

OperationResult TargetOperations::READ_EEPROM_Click() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    constexpr const char* kError = "EE Read Error";
    auto scratch = images_.eeprom;
    if (!SwitchLed(true, kError) || !SwitchSupply(true, kError) || !RD_EEPROM(scratch) ||
        !SwitchSupply(false, kError) || !SwitchLed(false, kError)) {
        return OperationResult::LinkFailed;
    }
    images_.eeprom = scratch;
    view_.ShowEepromBuffer();
    tickCountdown_ = 0;
    return OperationResult::Completed;
}

bool TargetOperations::RD_EEPROM(std::array<std::uint8_t, kEepromEntries>& eeprom) {
    constexpr const char* kError = "EE Read Error";
    Notes(kNotesCyan, "Now Reading");
    const int last = std::min<int>(group_.eepromLast, kLastEepromAddress);
    if (!EnterProgramming() || !Send(32, 0, High(kBcfEepgd), Low(kBcfEepgd)) ||
        !Send(32, 0, High(kBcfCfgs), Low(kBcfCfgs))) {
        return Fail(kError);
    }
    const int total = std::max(last, 0) + 1;
    int a = 0;
    do {
        view_.SetCurrentAddress(HexText(static_cast<std::uint32_t>(a)));
        const bool ok = Send(32, 0, kMovlw, Low(static_cast<std::uint16_t>(a))) &&
                        Send(32, 0, High(kMovwfEeadr), Low(kMovwfEeadr)) &&
                        Send(32, 0, kMovlw, High(static_cast<std::uint16_t>(a))) &&
                        Send(32, 0, High(kMovwfEeadrh), Low(kMovwfEeadrh)) &&
                        Send(32, 0, High(kBsfRd), Low(kBsfRd)) &&
                        Send(32, 0, High(kMovfEedata), Low(kMovfEedata)) &&
                        Send(32, 0, High(kMovwfTablat), Low(kMovwfTablat)) && Send(34, 2, 2);
        if (!ok) return Fail(kError);
        eeprom[a] = link_.ReceiveBuffer()[0];
        ++a;
        view_.SetProgress(a, total);
        view_.ProcessPendingEvents();
    } while (a <= last);
    if (!Send(50, 1) || !Send(49, 2)) return Fail(kError);
    tickCountdown_ = 0;
    view_.SetProgress(0, 0);
    Notes(kNotesWhite, "EE Read Complete");
    return true;
}

}  // namespace tamro
