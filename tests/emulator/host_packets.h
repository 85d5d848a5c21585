#pragma once
// Packets to the emulated programmer as the host builds them, by the
// protocol's names.

#include <cstdint>

#include "common/protocol.h"
#include "emulator/programmer.h"

namespace tamro::emu {

using protocol::AnalogChannel;
using protocol::Code;
using protocol::Command;
using protocol::EventCounterAction;
using protocol::FrequencyGate;
// The flash and data EEPROM of the 18F452 and the 18F4520 (DS39576, DS39622),
// kept here apart from the device table.
inline constexpr std::uint32_t kFlashSize = 0x8000;
inline constexpr std::uint32_t kEepromSize = 0x100;

// The chip erase operands of DS39576 (80h to 3C0004h) and DS39622 (0F0Fh to
// 3C0005h, 8787h to 3C0004h), kept here apart from the device table.
inline constexpr std::uint16_t kChipEraseKey452 = 0x0080;
inline constexpr std::uint16_t kChipEraseKey4520High = 0x0F0F;
inline constexpr std::uint16_t kChipEraseKey4520Low = 0x8787;
using protocol::kConfigWriteWait;
using protocol::kEraseWait;
using protocol::kRowWriteWait;
using protocol::kSinglePanelWrites;
using protocol::LineMode;
using protocol::VppLevel;
namespace address = protocol::address;
namespace icsp = protocol::icsp;
namespace instruction = protocol::instruction;

constexpr Block HostPacket(Command command, std::uint8_t d1 = 0, std::uint8_t d2 = 0,
                           std::uint8_t d3 = 0) {
    return Block{Code(command), d1, d2, d3, 0, 0, 0, 0};
}
// A 4-bit ICSP command with its 16-bit operand.
constexpr Block IcspPacket(std::uint8_t icspCommand, std::uint16_t operand) {
    return HostPacket(Command::Icsp, icspCommand, static_cast<std::uint8_t>(operand >> 8),
                      static_cast<std::uint8_t>(operand & 0xFF));
}
constexpr Block CorePacket(std::uint16_t instructionWord) {
    return IcspPacket(icsp::kCoreInstruction, instructionWord);
}
// MOVLW `literal`.
constexpr std::uint16_t MovlwWord(std::uint8_t literal) {
    return static_cast<std::uint16_t>(instruction::kMovlwHigh << 8 | literal);
}

inline Block Send(Programmer& programmer, Command command, std::uint8_t d1 = 0, std::uint8_t d2 = 0,
                  std::uint8_t d3 = 0) {
    return programmer.Exchange(HostPacket(command, d1, d2, d3));
}
inline Block SendIcsp(Programmer& programmer, std::uint8_t icspCommand, std::uint16_t operand) {
    return programmer.Exchange(IcspPacket(icspCommand, operand));
}
inline Block SendCore(Programmer& programmer, std::uint16_t instructionWord) {
    return programmer.Exchange(CorePacket(instructionWord));
}

}  // namespace tamro::emu
