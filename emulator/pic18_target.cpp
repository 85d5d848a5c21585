#include "emulator/pic18_target.h"

#include <cstdio>

namespace tamro::emu {
namespace {

constexpr std::size_t kLogLines = 200;
constexpr std::uint32_t kTblptrMask = 0x3FFFFF;

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// The operand's low byte belongs to the even address, its high byte to the odd one.
std::uint8_t LaneByte(std::uint16_t operand, std::uint32_t address) {
    return static_cast<std::uint8_t>((address & 1) ? operand >> 8 : operand & 0xFF);
}

bool IsFlash(std::uint32_t address, std::uint32_t flashSize) {
    return address < flashSize;
}
bool IsId(std::uint32_t address) {
    return address >= kIdBase && address < kIdBase + kIdSize;
}
bool IsConfig(std::uint32_t address) {
    return address >= kConfigBase && address < kConfigBase + kConfigSize;
}

}  // namespace

Pic18Target::Pic18Target(Device device, int revision)
    : facts_(FactsFor(device)), revision_(revision) {
    ResetMemoryToFactory();
    memoryChanged_ = false;
    ClearWriteBuffers();
}

void Pic18Target::ResetMemoryToFactory() {
    memory_ = TargetMemory{};
    memory_.flash.assign(facts_.flashSize, 0xFF);
    memory_.eeprom.assign(facts_.eepromSize, 0xFF);
    memory_.config = facts_.configDefault;
    memory_.id.fill(0xFF);
    memoryChanged_ = true;
}

void Pic18Target::SetMemory(const TargetMemory& memory) {
    memory_ = memory;
    memory_.flash.resize(facts_.flashSize, 0xFF);
    memory_.eeprom.resize(facts_.eepromSize, 0xFF);
    for (std::size_t i = 0; i < kConfigSize; ++i) memory_.config[i] &= facts_.configMask[i];
}

void Pic18Target::SetPowered(bool powered) {
    powered_ = powered;
    UpdateMode();
}

void Pic18Target::SetVppLevel(int level) {
    vppLevel_ = level;
    UpdateMode();
}

void Pic18Target::UpdateMode() {
    const bool programming = powered_ && vppLevel_ == 2;
    if (programming && !programmingMode_) EnterProgrammingMode();
    if (!programming && programmingMode_) {
        if (pending_ != Pending::None) Note("programming mode left with a write or erase pending");
        if (eepromWrite_) Note("programming mode left during a data EEPROM write: byte lost");
        pending_ = Pending::None;
        eepromWrite_.reset();
    }
    programmingMode_ = programming;
}

void Pic18Target::EnterProgrammingMode() {
    // Entering programming mode is a device reset: registers and ICSP state start afresh.
    ++counters_.programmingModeEntries;
    fileRegisters_.fill(0);
    w_ = 0;
    gotoLow_.reset();
    configGotoDone_ = false;
    singlePanel_ = false;
    pending_ = Pending::None;
    eraseHigh_ = eraseLow_ = 0;
    eepromWrite_.reset();
    unlock55Command_ = unlockAaCommand_ = 0;
    ClearWriteBuffers();
}

void Pic18Target::ClearWriteBuffers() {
    for (WriteBuffer& buffer : buffers_) {
        buffer.bytes.assign(facts_.writeBufferSize, 0xFF);
        buffer.rowBase = 0;
        buffer.filled = false;
    }
}

std::uint32_t Pic18Target::Tblptr() const {
    return (static_cast<std::uint32_t>(Register(sfr::kTblptru)) << 16 |
            static_cast<std::uint32_t>(Register(sfr::kTblptrh)) << 8 | Register(sfr::kTblptrl)) &
           kTblptrMask;
}

void Pic18Target::SetTblptr(std::uint32_t address) {
    address &= kTblptrMask;
    fileRegisters_[sfr::kTblptrl] = static_cast<std::uint8_t>(address);
    fileRegisters_[sfr::kTblptrh] = static_cast<std::uint8_t>(address >> 8);
    fileRegisters_[sfr::kTblptru] = static_cast<std::uint8_t>(address >> 16);
}

std::uint8_t Pic18Target::ReadByte(std::uint32_t address) const {
    address &= kTblptrMask;
    if (IsFlash(address, facts_.flashSize)) return memory_.flash[address];
    if (IsId(address)) return memory_.id[address - kIdBase];
    if (IsConfig(address)) return memory_.config[address - kConfigBase];
    if (address == kDevId1Address) {
        return static_cast<std::uint8_t>(facts_.devId1Base | (revision_ & facts_.revisionMask));
    }
    if (address == kDevId2Address) return facts_.devId2;
    return 0x00;
}

std::uint8_t Pic18Target::Icsp(std::uint8_t command, std::uint16_t operand) {
    command &= 0x0F;
    if (!programmingMode_) {
        ++counters_.ignoredOutsideProgrammingMode;
        return 0;
    }
    ++counters_.icspCommands;
    ++commandNumber_;
    const std::uint8_t shifted = ExecuteIcsp(command, operand);
    Elapse(kIcspCommandTime);
    return shifted;
}

std::uint8_t Pic18Target::ExecuteIcsp(std::uint8_t command, std::uint16_t operand) {
    switch (command) {
        case icsp::kCoreInstruction:
            ExecuteCore(operand);
            return 0;
        case icsp::kShiftOutTablat:
            return Tablat();
        case icsp::kTableRead:
        case icsp::kTableReadPostIncrement:
        case icsp::kTableReadPostDecrement:
        case icsp::kTableReadPreIncrement:
            return TableRead(command);
        case icsp::kTableWrite:
            TableWrite(operand, false);
            return 0;
        case icsp::kTableWritePostIncrement2:
            TableWrite(operand, false);
            SetTblptr(Tblptr() + 2);
            return 0;
        case icsp::kTableWrite1110:
            if (facts_.family == Family::Fxx2) {
                TableWrite(operand, false);
                SetTblptr(Tblptr() - 2);
            } else {
                TableWrite(operand, true);
                SetTblptr(Tblptr() + 2);
            }
            return 0;
        case icsp::kTableWriteStartProgramming:
            TableWrite(operand, true);
            return 0;
        default:
            ++counters_.ignoredInstructions;
            Note("reserved ICSP command " + Hex(command, 1) + " ignored");
            return 0;
    }
}

std::uint8_t Pic18Target::TableRead(std::uint8_t command) {
    if (command == icsp::kTableReadPreIncrement) SetTblptr(Tblptr() + 1);
    const std::uint8_t value = ReadByte(Tblptr());
    fileRegisters_[sfr::kTablat] = value;
    if (command == icsp::kTableReadPostIncrement) SetTblptr(Tblptr() + 1);
    if (command == icsp::kTableReadPostDecrement) SetTblptr(Tblptr() - 1);
    return value;
}

std::uint16_t Pic18Target::FileAddress(std::uint8_t f, bool banked) const {
    if (banked) return static_cast<std::uint16_t>((Register(sfr::kBsr) & 0x0F) << 8 | f);
    // The access bank: GPRs 00h-7Fh and the SFRs at F80h-FFFh.
    return f >= 0x80 ? static_cast<std::uint16_t>(0xF00 | f) : f;
}

void Pic18Target::WriteRegister(std::uint16_t address, std::uint8_t value) {
    address &= 0xFFF;
    if (address == sfr::kWreg) {
        w_ = value;
        return;
    }
    if (address == sfr::kEeadrh && !facts_.hasEeadrh) return;
    if (address == sfr::kEecon2) {
        WriteEecon2(value);
        return;
    }
    if (address == sfr::kTblptru) value &= 0x3F;
    if (address == sfr::kEecon1) {
        const std::uint8_t previous = fileRegisters_[address];
        // RD and WR are set-only: software cannot clear them, the hardware does when done.
        fileRegisters_[address] = static_cast<std::uint8_t>((value & ~(eecon1::kRd | eecon1::kWr)) |
                                                            (previous & eecon1::kWr));
        const bool dataMemory = (value & (eecon1::kEepgd | eecon1::kCfgs)) == 0;
        if ((value & eecon1::kRd) && !(previous & eecon1::kRd)) {
            if (dataMemory && facts_.eepromSize == 0) {
                fileRegisters_[sfr::kEedata] = 0;  // no data EEPROM: nothing to read
            } else if (dataMemory) {
                const std::uint32_t eeAddress = EepromAddress();
                fileRegisters_[sfr::kEedata] = memory_.eeprom[eeAddress];
                ++counters_.eepromReads;
            } else {
                ++counters_.ignoredInstructions;
                Note("EECON1 RD with EEPGD or CFGS set ignored");
            }
        }
        if ((value & eecon1::kWr) && !(previous & eecon1::kWr)) StartEepromWrite(value);
        return;
    }
    fileRegisters_[address] = value;
}

std::uint32_t Pic18Target::EepromAddress() const {
    // EEADRH exists where the EEPROM is larger than 256 bytes; the address wraps at its size.
    const std::uint32_t high = facts_.hasEeadrh ? Register(sfr::kEeadrh) : 0;
    return (high << 8 | Register(sfr::kEeadr)) % facts_.eepromSize;
}

void Pic18Target::WriteEecon2(std::uint8_t value) {
    // EECON2 is not a real register (it reads 0); it only watches for the unlock.
    const bool aaInSequence = value == 0xAA && unlock55Command_ != 0 &&
                              commandNumber_ == unlock55Command_ + 2;  // MOVLW AAh in between
    unlockAaCommand_ = aaInSequence ? commandNumber_ : 0;
    unlock55Command_ = value == 0x55 ? commandNumber_ : 0;
}

void Pic18Target::StartEepromWrite(std::uint8_t eecon1Value) {
    const auto refuse = [this](const std::string& why) {
        ++counters_.ignoredWrites;
        Note("EECON1 WR " + why + " ignored");
    };
    if (eecon1Value & (eecon1::kEepgd | eecon1::kCfgs)) return refuse("with EEPGD or CFGS set");
    if (!(eecon1Value & eecon1::kWren)) return refuse("without WREN");
    const bool unlocked = unlockAaCommand_ != 0 && commandNumber_ == unlockAaCommand_ + 1;
    if (facts_.eepromWriteNeedsUnlock && !unlocked) {
        return refuse("without the 55h/AAh unlock right before it");
    }
    if (facts_.eepromSize == 0) return refuse("on a device without data EEPROM");
    const std::uint32_t address = EepromAddress();
    eepromWrite_ = EepromWrite{address, Register(sfr::kEedata), facts_.eepromWriteTime};
    fileRegisters_[sfr::kEecon1] |= eecon1::kWr;
}

void Pic18Target::Elapse(std::chrono::microseconds time) {
    if (!eepromWrite_) return;
    eepromWrite_->remaining -= time;
    if (eepromWrite_->remaining.count() > 0) return;
    memory_.eeprom[eepromWrite_->address] = eepromWrite_->value;
    memoryChanged_ = true;
    ++counters_.eepromWrites;
    fileRegisters_[sfr::kEecon1] &= static_cast<std::uint8_t>(~eecon1::kWr);
    eepromWrite_.reset();
}

void Pic18Target::ExecuteCore(std::uint16_t instruction) {
    const std::uint8_t f = static_cast<std::uint8_t>(instruction & 0xFF);
    if (gotoLow_) {
        const std::uint8_t low = *gotoLow_;
        gotoLow_.reset();
        if ((instruction & 0xF000) == 0xF000) {
            const std::uint32_t wordAddress = (instruction & 0x0FFFu) << 8 | low;
            const std::uint32_t byteAddress = wordAddress * 2;
            if (byteAddress == 0x100000) configGotoDone_ = true;
            return;
        }
        Note("GOTO without its second word");
    }
    if (instruction == 0x0000 || (instruction & 0xF000) == 0xF000) return;  // NOP
    if ((instruction & 0xFF00) == 0xEF00) {
        gotoLow_ = f;
        return;
    }
    if ((instruction & 0xFF00) == 0x0E00) {  // MOVLW k
        w_ = f;
        return;
    }
    const bool banked = instruction & 0x0100;
    const std::uint16_t address = FileAddress(f, banked);
    if ((instruction & 0xFE00) == 0x6E00) {  // MOVWF f, a
        WriteRegister(address, w_);
        return;
    }
    const std::uint8_t current = address == sfr::kWreg ? w_ : Register(address);
    const bool toFile = instruction & 0x0200;
    if ((instruction & 0xFC00) == 0x5000) {  // MOVF f, d, a
        if (toFile)
            WriteRegister(address, current);
        else
            w_ = current;
        return;
    }
    if ((instruction & 0xFC00) == 0x2800) {  // INCF f, d, a (a byte register: no carry out)
        const std::uint8_t next = static_cast<std::uint8_t>(current + 1);
        if (toFile)
            WriteRegister(address, next);
        else
            w_ = next;
        return;
    }
    if ((instruction & 0xE000) == 0x8000) {  // BSF 1000 bbba, BCF 1001 bbba
        const std::uint8_t bit = static_cast<std::uint8_t>(1u << ((instruction >> 9) & 7));
        const bool set = (instruction & 0x1000) == 0;
        WriteRegister(address, static_cast<std::uint8_t>(set ? current | bit : current & ~bit));
        return;
    }
    ++counters_.ignoredInstructions;
    Note("core instruction " + Hex(instruction, 4) + " ignored");
}

void Pic18Target::TableWrite(std::uint16_t operand, bool startProgramming) {
    const std::uint32_t address = Tblptr();
    const std::uint8_t byte = LaneByte(operand, address);
    const std::uint8_t control = Eecon1();
    const bool eepgd = control & eecon1::kEepgd;
    const bool cfgs = control & eecon1::kCfgs;

    if (address == kEraseControlLow) {
        eraseLow_ = byte;
        pending_ = Pending::Erase;
        return;
    }
    if (address == kEraseControlHigh) {
        eraseHigh_ = byte;
        return;
    }
    if (address == kPanelModeRegister && facts_.family == Family::Fxx2) {
        if (!(eepgd && cfgs)) {
            ++counters_.ignoredWrites;
            Note("panel mode write without EEPGD and CFGS ignored");
            return;
        }
        if (byte == 0x00) singlePanel_ = true;
        if (byte == 0x40) singlePanel_ = false;
        return;
    }
    if (cfgs) {
        if (IsConfig(address) && startProgramming) {
            if (!eepgd) {
                ++counters_.ignoredWrites;
                Note("configuration write without EEPGD ignored");
                return;
            }
            if (facts_.configNeedsGoto && !configGotoDone_) {
                ++counters_.ignoredWrites;
                Note("configuration write before GOTO 100000h ignored at " + Hex(address, 6));
                return;
            }
            pending_ = Pending::Config;
            pendingConfigAddress_ = address;
            pendingConfigValue_ = byte;
            return;
        }
        if (startProgramming) {
            ++counters_.undefinedWrites;
            Note("start-programming write at " + Hex(address, 6) +
                 " with CFGS set: nothing programmed");
            return;
        }
        if (!IsConfig(address)) {
            ++counters_.ignoredWrites;
            Note("table write at " + Hex(address, 6) + " with CFGS set ignored");
        }
        return;
    }
    if (!IsFlash(address, facts_.flashSize) && !IsId(address)) {
        ++counters_.ignoredWrites;
        Note("table write at unimplemented " + Hex(address, 6) + " ignored");
        return;
    }
    const std::uint32_t size = facts_.writeBufferSize;
    // The 452 family's multi-panel mode keeps one buffer for each 8 KB panel.
    const bool multiPanel =
        facts_.family == Family::Fxx2 && !singlePanel_ && IsFlash(address, facts_.flashSize);
    WriteBuffer& buffer = buffers_[multiPanel ? (address >> 13) & 3 : 0];
    const std::uint32_t even = address & ~1u;
    buffer.bytes[even % size] = static_cast<std::uint8_t>(operand & 0xFF);
    buffer.bytes[(even + 1) % size] = static_cast<std::uint8_t>(operand >> 8);
    buffer.rowBase = address & ~(size - 1);
    buffer.filled = true;
    if (startProgramming) {
        if (!eepgd) {
            ++counters_.ignoredWrites;
            Note("start-programming write with EEPGD clear: nothing programmed");
            return;
        }
        if (IsId(address) && facts_.idWriteNeedsSinglePanel && !singlePanel_) {
            ++counters_.undefinedWrites;
            Note("ID location write in multi-panel mode: nothing programmed");
            ClearWriteBuffers();
            return;
        }
        pending_ = Pending::Row;
    }
}

void Pic18Target::CommitRows() {
    for (WriteBuffer& buffer : buffers_) {
        if (!buffer.filled) continue;
        for (std::uint32_t i = 0; i < buffer.bytes.size(); ++i) {
            const std::uint32_t address = buffer.rowBase + i;
            // Programming only clears bits; only an erase sets them.
            if (IsFlash(address, facts_.flashSize)) memory_.flash[address] &= buffer.bytes[i];
            if (IsId(address)) memory_.id[address - kIdBase] &= buffer.bytes[i];
        }
        ++counters_.rowsProgrammed;
        memoryChanged_ = true;
    }
    ClearWriteBuffers();
}

void Pic18Target::Erase(const EraseAction& action) {
    if (action.flash) {
        for (std::uint32_t a = action.flashFirst; a < action.flashEnd && a < facts_.flashSize;
             ++a) {
            memory_.flash[a] = 0xFF;
        }
    }
    if (action.eeprom) memory_.eeprom.assign(facts_.eepromSize, 0xFF);
    // Erased configuration bits read 1 where implemented.
    if (action.config) memory_.config = facts_.configMask;
    if (action.id) memory_.id.fill(0xFF);
    ++counters_.erases;
    memoryChanged_ = true;
}

void Pic18Target::ProgrammingNop() {
    if (!programmingMode_) {
        ++counters_.ignoredOutsideProgrammingMode;
        return;
    }
    const Pending pending = pending_;
    pending_ = Pending::None;
    switch (pending) {
        case Pending::None:
            return;
        case Pending::Row:
            CommitRows();
            return;
        case Pending::Config: {
            const std::size_t index = pendingConfigAddress_ - kConfigBase;
            memory_.config[index] = pendingConfigValue_ & facts_.configMask[index];
            ++counters_.configBytesProgrammed;
            memoryChanged_ = true;
            return;
        }
        case Pending::Erase: {
            const auto action = EraseForKey(facts_, eraseHigh_, eraseLow_);
            if (action) {
                Erase(*action);
            } else {
                ++counters_.rejectedEraseKeys;
                Note("erase key " +
                     Hex(static_cast<std::uint32_t>(eraseHigh_ << 8 | eraseLow_), 4) +
                     " is not a " + facts_.name + " key: nothing erased");
            }
            return;
        }
    }
}

void Pic18Target::Note(std::string text) {
    if (log_.size() == kLogLines) log_.pop_front();
    log_.push_back(std::move(text));
}

}  // namespace tamro::emu
