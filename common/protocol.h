#pragma once
// The programmer's protocol: every command code the host sends, the PIC18
// ICSP 4-bit commands it passes through, and the PIC18 instruction words it
// has the target execute. Nothing else in the host names these numbers.

#include <cstdint>
#include <type_traits>

namespace tamro::protocol {

// Byte 0 of a command packet.
enum class Command : std::uint8_t {
    Icsp = 0x20,             // d1 4-bit command, d2 operand high, d3 operand low
    SetTablePointer = 0x21,  // d1 upper, d2 high, d3 low byte of TBLPTR
    TableRead = 0x22,        // d1 4-bit read command repeated d2 times, one byte each
    ProgrammingNop = 0x23,   // the NOP that starts a write or erase
    LineMode = 0x31,         // d1 LineMode
    VppLevel = 0x32,         // d1 VppLevel
    CaptureStart = 0x36,     // d1 sample time (0.1 ms), d2 1 rising / 0 falling edge
    CaptureRead = 0x37,      // d1 block 0 to 7
    ProgrammingWait = 0x38,  // d1 wait units
    AnalogRead = 0x39,       // d1 AnalogChannel
    TargetSupply = 0x3A,     // d1 1 on, 0 off
    Led = 0x3B,              // d1 1 on, 0 off
    FrequencyCount = 0x3C,   // d1 FrequencyGate
    EventCounter = 0x3D,     // d1 EventCounterAction
    Identify = 0x3F,         // reply: the firmware's eight identification characters
};

// Levels of the target's MCLR/Vpp pin.
enum class VppLevel : std::uint8_t { ZeroVolts = 0, FiveVolts = 1, Programming = 2 };

// The programmer's ICSP line modes; what each does to the lines lies in its
// firmware. The sequences leave programming with mode 1 or 2 as each needs.
enum class LineMode : std::uint8_t { Mode1 = 1, Mode2 = 2 };

enum class AnalogChannel : std::uint8_t { Vpp = 0, Sab = 1, Vin = 3 };
enum class FrequencyGate : std::uint8_t { Gate100ms = 0, Gate1s = 1 };
enum class EventCounterAction : std::uint8_t { Reset = 0, Read = 1, Start = 2, Stop = 3 };

// The byte a command code or parameter value is sent as.
template <typename Enum>
requires std::is_enum_v<Enum>
constexpr std::uint8_t Code(Enum value) {
    return static_cast<std::uint8_t>(value);
}

// Wait units the programming sequences hold after a NOP.
inline constexpr std::uint8_t kRowWriteWait = 1;
inline constexpr std::uint8_t kConfigWriteWait = 2;
inline constexpr std::uint8_t kEraseWait = 10;
// A data EEPROM byte (P11A, about 4 ms); the host then polls EECON1's WR bit.
inline constexpr std::uint8_t kEepromWriteWait = 5;
// Polls of WR after that wait before the write counts as failed.
inline constexpr int kEepromWritePolls = 20;

// PIC18 ICSP 4-bit commands.
namespace icsp {
inline constexpr std::uint8_t kCoreInstruction = 0x0;
inline constexpr std::uint8_t kShiftOutTablat = 0x2;
inline constexpr std::uint8_t kTableRead = 0x8;
inline constexpr std::uint8_t kTableReadPostIncrement = 0x9;
inline constexpr std::uint8_t kTableReadPostDecrement = 0xA;
inline constexpr std::uint8_t kTableReadPreIncrement = 0xB;
inline constexpr std::uint8_t kTableWrite = 0xC;
inline constexpr std::uint8_t kTableWritePostIncrement2 = 0xD;
// 18FXX2: table write, post-decrement by 2; 18F2XXX/4XXX: table write, start
// programming, post-increment by 2. The host does not send it.
inline constexpr std::uint8_t kTableWrite1110 = 0xE;
inline constexpr std::uint8_t kTableWriteStartProgramming = 0xF;
}  // namespace icsp

// PIC18 instruction words sent with the core-instruction command.
namespace instruction {
inline constexpr std::uint16_t kBsfEecon1Eepgd = 0x8EA6;
inline constexpr std::uint16_t kBsfEecon1Cfgs = 0x8CA6;
inline constexpr std::uint16_t kBcfEecon1Eepgd = 0x9EA6;
inline constexpr std::uint16_t kBcfEecon1Cfgs = 0x9CA6;
inline constexpr std::uint16_t kBsfEecon1Rd = 0x80A6;
inline constexpr std::uint16_t kMovwfEeadr = 0x6EA9;
inline constexpr std::uint16_t kMovwfEeadrh = 0x6EAA;
inline constexpr std::uint16_t kMovfEedataW = 0x50A8;
inline constexpr std::uint16_t kMovwfTablat = 0x6EF5;
inline constexpr std::uint16_t kIncfTblptrl = 0x2AF6;
inline constexpr std::uint16_t kNop = 0x0000;
// Data EEPROM writes: EEDATA, WREN, WR, the EECON2 unlock and the WR poll.
inline constexpr std::uint16_t kMovwfEedata = 0x6EA8;
inline constexpr std::uint16_t kBsfEecon1Wren = 0x84A6;
inline constexpr std::uint16_t kBcfEecon1Wren = 0x94A6;
inline constexpr std::uint16_t kBsfEecon1Wr = 0x82A6;
inline constexpr std::uint16_t kMovwfEecon2 = 0x6EA7;
inline constexpr std::uint16_t kMovfEecon1W = 0x50A6;
// GOTO 100000h, two words: needed before configuration writes on the 18F452 group.
inline constexpr std::uint16_t kGoto100000First = 0xEF00;
inline constexpr std::uint16_t kGoto100000Second = 0xF800;
// MOVLW k: the high byte of the word; the literal is its low byte.
inline constexpr std::uint8_t kMovlwHigh = 0x0E;
// MOVWF f (access bank): the high byte of the word; the register's low address byte is its low
// byte.
inline constexpr std::uint8_t kMovwfAccessHigh = 0x6E;
}  // namespace instruction

// The two values written to EECON2 right before BSF EECON1,WR (18F452 group).
inline constexpr std::uint8_t kEepromUnlockFirst = 0x55;
inline constexpr std::uint8_t kEepromUnlockSecond = 0xAA;
// EECON1's WR bit: set while a data EEPROM write runs.
inline constexpr std::uint8_t kEecon1Wr = 0x02;

// Target addresses the host loads into TBLPTR.
namespace address {
// Bulk erase key registers 3C0004h/3C0005h and the write-mode register 3C0006h.
inline constexpr std::uint8_t kEraseKeyUpper = 0x3C;
inline constexpr std::uint8_t kEraseKeyLow = 0x04;
inline constexpr std::uint8_t kEraseKeyHigh = 0x05;
inline constexpr std::uint8_t kWriteModeLow = 0x06;
// Configuration space 300000h.
inline constexpr std::uint8_t kConfigUpper = 0x30;
// DEVID1 at 3FFFFEh.
inline constexpr std::uint8_t kDeviceIdUpper = 0x3F;
inline constexpr std::uint8_t kDeviceIdHigh = 0xFF;
inline constexpr std::uint8_t kDeviceIdLow = 0xFE;
}  // namespace address

// Written to 3C0006h: single-panel writes on the 18F452 group.
inline constexpr std::uint16_t kSinglePanelWrites = 0x0000;

}  // namespace tamro::protocol
