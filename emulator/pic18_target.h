#pragma once
// An emulated PIC18 target as its ICSP interface sees it: memories, the table
// pointer and latch, the EECON1/EEADR/EEDATA registers, the few core
// instructions a programmer sends, the 4-bit ICSP commands, the family's write
// buffer and erase keys, and the programming mode that Vpp and the supply select.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/protocol.h"
#include "emulator/device_facts.h"

namespace tamro::emu {

// The 4-bit ICSP commands, as the host names them.
namespace icsp = protocol::icsp;

// Access-bank addresses of the special function registers the target models.
namespace sfr {
constexpr std::uint16_t kEecon1 = 0xFA6;
constexpr std::uint16_t kEecon2 = 0xFA7;
constexpr std::uint16_t kEedata = 0xFA8;
constexpr std::uint16_t kEeadr = 0xFA9;
constexpr std::uint16_t kEeadrh = 0xFAA;
constexpr std::uint16_t kBsr = 0xFE0;
constexpr std::uint16_t kWreg = 0xFE8;
constexpr std::uint16_t kTablat = 0xFF5;
constexpr std::uint16_t kTblptrl = 0xFF6;
constexpr std::uint16_t kTblptrh = 0xFF7;
constexpr std::uint16_t kTblptru = 0xFF8;
}  // namespace sfr

namespace eecon1 {
constexpr std::uint8_t kEepgd = 0x80;
constexpr std::uint8_t kCfgs = 0x40;
constexpr std::uint8_t kFree = 0x10;
constexpr std::uint8_t kWrerr = 0x08;
constexpr std::uint8_t kWren = 0x04;
constexpr std::uint8_t kWr = 0x02;
constexpr std::uint8_t kRd = 0x01;
}  // namespace eecon1

// The non-volatile contents of the chip.
struct TargetMemory {
    // As large as the device's flash and data EEPROM (erased: FFh).
    std::vector<std::uint8_t> flash;
    std::vector<std::uint8_t> eeprom;
    std::array<std::uint8_t, kConfigSize> config{};
    std::array<std::uint8_t, kIdSize> id{};
    friend bool operator==(const TargetMemory&, const TargetMemory&) = default;
};

// What the target did beside its plain work, for tests and for the log.
struct TargetCounters {
    std::uint64_t icspCommands = 0;
    std::uint64_t ignoredOutsideProgrammingMode = 0;
    std::uint64_t ignoredInstructions = 0;
    std::uint64_t ignoredWrites = 0;
    std::uint64_t undefinedWrites = 0;
    std::uint64_t rowsProgrammed = 0;
    std::uint64_t configBytesProgrammed = 0;
    std::uint64_t erases = 0;
    std::uint64_t rejectedEraseKeys = 0;
    std::uint64_t eepromReads = 0;
    std::uint64_t eepromWrites = 0;
    std::uint64_t programmingModeEntries = 0;
};

// 4 + 16 clocks at a 1 MHz ICSP clock.
constexpr std::chrono::microseconds kIcspCommandTime{20};

class Pic18Target {
  public:
    Pic18Target(Device device, int revision);

    const DeviceFacts& Facts() const { return facts_; }

    // Pins: the target supply and the Vpp level (0 = 0 V, 1 = 5 V, 2 = programming
    // voltage). Programming mode is on while powered with Vpp at level 2; entering
    // it resets the ICSP state.
    void SetPowered(bool powered);
    void SetVppLevel(int level);
    bool Powered() const { return powered_; }
    int VppLevel() const { return vppLevel_; }
    bool InProgrammingMode() const { return programmingMode_; }

    // One 4-bit ICSP command with its 16-bit operand. Returns the byte shifted
    // out by reads (0 for the others, and for everything outside programming mode).
    std::uint8_t Icsp(std::uint8_t command, std::uint16_t operand = 0);
    // The NOP whose operand phase is held after a start-programming write or
    // an erase key: the pending row, configuration byte or erase takes effect.
    void ProgrammingNop();
    // Time passing on the target: each ICSP command takes kIcspCommandTime, the
    // host's programming waits take theirs. Self-timed writes finish with it.
    void Elapse(std::chrono::microseconds time);
    bool EepromWriteInProgress() const { return eepromWrite_.has_value(); }

    // Byte at a 22-bit table address as a table read sees it.
    std::uint8_t ReadByte(std::uint32_t address) const;

    std::uint32_t Tblptr() const;
    std::uint8_t Tablat() const { return Register(sfr::kTablat); }
    std::uint8_t W() const { return w_; }
    std::uint8_t Eecon1() const { return Register(sfr::kEecon1); }
    std::uint8_t Register(std::uint16_t address) const { return fileRegisters_[address & 0xFFF]; }
    bool SinglePanelWrites() const { return singlePanel_; }
    bool ConfigGotoDone() const { return configGotoDone_; }

    const TargetMemory& Memory() const { return memory_; }
    void SetMemory(const TargetMemory& memory);
    // Chip as shipped: memories erased, configuration at the device's defaults.
    void ResetMemoryToFactory();
    // Set whenever the non-volatile memory changes; the owner clears it after saving.
    bool MemoryChanged() const { return memoryChanged_; }
    void ClearMemoryChanged() { memoryChanged_ = false; }

    const TargetCounters& Counters() const { return counters_; }
    // The most recent notes on what the target ignored or refused, oldest first.
    const std::deque<std::string>& Log() const { return log_; }

  private:
    struct WriteBuffer {
        std::vector<std::uint8_t> bytes;
        std::uint32_t rowBase = 0;
        bool filled = false;
    };
    enum class Pending { None, Row, Config, Erase };
    struct EepromWrite {
        std::uint32_t address = 0;
        std::uint8_t value = 0;
        std::chrono::microseconds remaining{0};
    };

    void EnterProgrammingMode();
    void UpdateMode();
    void ExecuteCore(std::uint16_t instruction);
    std::uint16_t FileAddress(std::uint8_t f, bool banked) const;
    void WriteRegister(std::uint16_t address, std::uint8_t value);
    void SetTblptr(std::uint32_t address);
    std::uint8_t ExecuteIcsp(std::uint8_t command, std::uint16_t operand);
    std::uint8_t TableRead(std::uint8_t command);
    void TableWrite(std::uint16_t operand, bool startProgramming);
    void ClearWriteBuffers();
    void CommitRows();
    void WriteEecon2(std::uint8_t value);
    void StartEepromWrite(std::uint8_t eecon1Value);
    void Erase(const EraseAction& action);
    void Note(std::string text);

    // The data EEPROM address EEADRH:EEADR selects.
    std::uint32_t EepromAddress() const;
    const DeviceFacts& facts_;
    int revision_;
    TargetMemory memory_;
    bool memoryChanged_ = false;

    bool powered_ = false;
    int vppLevel_ = 0;
    bool programmingMode_ = false;

    std::array<std::uint8_t, 4096> fileRegisters_{};
    std::uint8_t w_ = 0;
    // First word of a two-word GOTO, waiting for its second word.
    std::optional<std::uint8_t> gotoLow_;
    bool configGotoDone_ = false;
    bool singlePanel_ = false;
    std::array<WriteBuffer, 4> buffers_;
    Pending pending_ = Pending::None;
    std::uint32_t pendingConfigAddress_ = 0;
    std::uint8_t pendingConfigValue_ = 0;
    std::uint8_t eraseHigh_ = 0;
    std::uint8_t eraseLow_ = 0;
    std::optional<EepromWrite> eepromWrite_;
    // Numbers each executed ICSP command, so the EECON2 unlock can be checked
    // to be the instructions right before BSF EECON1,WR.
    std::uint64_t commandNumber_ = 0;
    std::uint64_t unlock55Command_ = 0;
    std::uint64_t unlockAaCommand_ = 0;

    TargetCounters counters_;
    std::deque<std::string> log_;
};

}  // namespace tamro::emu
