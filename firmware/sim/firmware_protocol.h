#pragma once
// The firmware's pin map and protocol constants, seen from the board
// simulator, and the build-time check that the firmware's C header names the
// same command codes, parameters and instruction words as the host.

#include "common/protocol.h"
#include "emulator/pic18_target.h"

extern "C" {
#include "firmware/board.h"
#include "firmware/protocol_codes.h"
}

namespace tamro::sim {

inline constexpr int kPinPgc = PIN_PGC;
inline constexpr int kPinPgd = PIN_PGD;
inline constexpr int kPinVppOn = PIN_VPP_ON;
inline constexpr int kPinMclrLow = PIN_MCLR_LOW;
inline constexpr int kPinSupply = PIN_SUPPLY;
inline constexpr int kPinLed = PIN_LED;
inline constexpr int kPinSignal = PIN_SIGNAL;
inline constexpr int kAdcVpp = ADC_VPP;
inline constexpr int kAdcSab = ADC_SAB;
inline constexpr int kAdcVin = ADC_VIN;

namespace check {
using protocol::Code;
using protocol::Command;
namespace instruction = protocol::instruction;
constexpr std::uint16_t MovwfAccess(std::uint16_t address) {
    return static_cast<std::uint16_t>(instruction::kMovwfAccessHigh << 8 | (address & 0xFF));
}
static_assert(CMD_ICSP == Code(Command::Icsp));
static_assert(CMD_SET_TABLE_POINTER == Code(Command::SetTablePointer));
static_assert(CMD_TABLE_READ == Code(Command::TableRead));
static_assert(CMD_PROGRAMMING_NOP == Code(Command::ProgrammingNop));
static_assert(CMD_LINE_MODE == Code(Command::LineMode));
static_assert(CMD_VPP_LEVEL == Code(Command::VppLevel));
static_assert(CMD_CAPTURE_START == Code(Command::CaptureStart));
static_assert(CMD_CAPTURE_READ == Code(Command::CaptureRead));
static_assert(CMD_PROGRAMMING_WAIT == Code(Command::ProgrammingWait));
static_assert(CMD_ANALOG_READ == Code(Command::AnalogRead));
static_assert(CMD_TARGET_SUPPLY == Code(Command::TargetSupply));
static_assert(CMD_LED == Code(Command::Led));
static_assert(CMD_FREQUENCY_COUNT == Code(Command::FrequencyCount));
static_assert(CMD_EVENT_COUNTER == Code(Command::EventCounter));
static_assert(CMD_IDENTIFY == Code(Command::Identify));
static_assert(VPP_ZERO == Code(protocol::VppLevel::ZeroVolts));
static_assert(VPP_FIVE == Code(protocol::VppLevel::FiveVolts));
static_assert(VPP_PROGRAMMING == Code(protocol::VppLevel::Programming));
static_assert(LINE_MODE_DRIVEN == Code(protocol::LineMode::Mode1));
static_assert(LINE_MODE_RELEASED == Code(protocol::LineMode::Mode2));
static_assert(GATE_100MS == Code(protocol::FrequencyGate::Gate100ms));
static_assert(GATE_1S == Code(protocol::FrequencyGate::Gate1s));
static_assert(EVENT_RESET == Code(protocol::EventCounterAction::Reset));
static_assert(EVENT_READ == Code(protocol::EventCounterAction::Read));
static_assert(EVENT_START == Code(protocol::EventCounterAction::Start));
static_assert(EVENT_STOP == Code(protocol::EventCounterAction::Stop));
static_assert(ADC_VPP == Code(protocol::AnalogChannel::Vpp));
static_assert(ADC_SAB == Code(protocol::AnalogChannel::Sab));
static_assert(ADC_VIN == Code(protocol::AnalogChannel::Vin));
static_assert(ICSP_CORE_INSTRUCTION == protocol::icsp::kCoreInstruction);
static_assert(ICSP_SHIFT_OUT_TABLAT == protocol::icsp::kShiftOutTablat);
static_assert(ICSP_TABLE_READ == protocol::icsp::kTableRead);
static_assert(ICSP_TABLE_READ_PRE_INCREMENT == protocol::icsp::kTableReadPreIncrement);
static_assert(ICSP_TABLE_WRITE_1110 == protocol::icsp::kTableWrite1110);
static_assert(ICSP_TABLE_WRITE_START_PROGRAMMING == protocol::icsp::kTableWriteStartProgramming);
static_assert(INSTR_MOVLW_HIGH == instruction::kMovlwHigh);
static_assert(INSTR_MOVWF_TBLPTRU == MovwfAccess(emu::sfr::kTblptru));
static_assert(INSTR_MOVWF_TBLPTRH == MovwfAccess(emu::sfr::kTblptrh));
static_assert(INSTR_MOVWF_TBLPTRL == MovwfAccess(emu::sfr::kTblptrl));
}  // namespace check

}  // namespace tamro::sim
