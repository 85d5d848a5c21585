/* The host protocol as the firmware needs it, in C. The board simulator
 * checks every value here against the host's own protocol header when it is
 * built, so the two cannot drift apart. */
#ifndef TAMRO18_FIRMWARE_PROTOCOL_CODES_H
#define TAMRO18_FIRMWARE_PROTOCOL_CODES_H

/* Command codes, byte 0 of a packet. */
#define CMD_ICSP 0x20
#define CMD_SET_TABLE_POINTER 0x21
#define CMD_TABLE_READ 0x22
#define CMD_PROGRAMMING_NOP 0x23
#define CMD_LINE_MODE 0x31
#define CMD_VPP_LEVEL 0x32
#define CMD_CAPTURE_START 0x36
#define CMD_CAPTURE_READ 0x37
#define CMD_PROGRAMMING_WAIT 0x38
#define CMD_ANALOG_READ 0x39
#define CMD_TARGET_SUPPLY 0x3A
#define CMD_LED 0x3B
#define CMD_FREQUENCY_COUNT 0x3C
#define CMD_EVENT_COUNTER 0x3D
#define CMD_IDENTIFY 0x3F

#define VPP_ZERO 0
#define VPP_FIVE 1
#define VPP_PROGRAMMING 2

#define LINE_MODE_DRIVEN 1
#define LINE_MODE_RELEASED 2

#define GATE_100MS 0
#define GATE_1S 1

#define EVENT_RESET 0
#define EVENT_READ 1
#define EVENT_START 2
#define EVENT_STOP 3

/* ICSP 4-bit commands the firmware sends on its own. */
#define ICSP_CORE_INSTRUCTION 0x0
#define ICSP_SHIFT_OUT_TABLAT 0x2
#define ICSP_TABLE_READ 0x8
#define ICSP_TABLE_READ_PRE_INCREMENT 0xB
/* The writes that start programming (1110 on the 18F2XXX/4XXX only). */
#define ICSP_TABLE_WRITE_1110 0xE
#define ICSP_TABLE_WRITE_START_PROGRAMMING 0xF

/* MOVLW k (high byte; k is the low byte) and MOVWF TBLPTRU/H/L. */
#define INSTR_MOVLW_HIGH 0x0E
#define INSTR_MOVWF_TBLPTRU 0x6EF8
#define INSTR_MOVWF_TBLPTRH 0x6EF7
#define INSTR_MOVWF_TBLPTRL 0x6EF6

/* The identification answered to CMD_IDENTIFY: the last two characters are
 * the version (1.0). */
#define FIRMWARE_IDENTIFICATION "TMRAVR10"

#endif
