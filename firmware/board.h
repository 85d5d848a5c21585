/* The programmer board: an ATmega328P at 16 MHz (Arduino Uno or Nano) and
 * the pins it drives. docs/hardware.md draws the circuit around them. */
#ifndef TAMRO18_FIRMWARE_BOARD_H
#define TAMRO18_FIRMWARE_BOARD_H

#ifndef F_CPU
#define F_CPU 16000000UL
#endif

/* The host link: the UART through the board's USB-serial bridge, 8N1, with
 * the double-speed divider (UBRR0 = F_CPU / 8 / baud - 1, exact at 1 and 2
 * Mbaud). The host's driver setting names the same rate (?baud=). */
#ifndef TAMRO_BAUD
#define TAMRO_BAUD 1000000UL
#endif

/* Port B, Arduino D8 to D13. */
#define PIN_PGC 0      /* D8: ICSP clock, through 100 ohms */
#define PIN_PGD 1      /* D9: ICSP data, both ways, through 100 ohms */
#define PIN_VPP_ON 2   /* D10: high switches about 12 V onto MCLR/Vpp */
#define PIN_MCLR_LOW 3 /* D11: high pulls MCLR/Vpp to 0 V */
#define PIN_SUPPLY 4   /* D12: high switches the target supply on */
#define PIN_LED 5      /* D13: the board's own LED */

/* Port D: D2 (INT0), the counter and logic capture input. */
#define PIN_SIGNAL 2

/* ADC inputs, each through a 34k / 10k divider (1 / 4.4): the channel numbers
 * of the analog read command are the ADC multiplexer's. */
#define ADC_VPP 0 /* A0: the MCLR/Vpp line */
#define ADC_SAB 1 /* A1: the "Sab" input */
#define ADC_VIN 3 /* A3: the "Vin" input */

/* With no packet for this long while Vpp is at the programming level, or
 * while the target supply is on after programming began, the board drops Vpp
 * to 0 V, switches the supply and the LED off. */
#ifndef TAMRO_WATCHDOG_MS
#define TAMRO_WATCHDOG_MS 2000
#endif

/* One unit of the programming wait, in 4 us ticks of timer 1: 1 ms, the
 * programming time P9 of both families. A test build shortens it to show that
 * the board simulator catches a firmware that holds the programming NOP too
 * briefly. */
#ifndef TAMRO_WAIT_UNIT_TICKS
#define TAMRO_WAIT_UNIT_TICKS 250
#endif

#endif
