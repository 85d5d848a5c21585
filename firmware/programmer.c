/* tamro18 programmer firmware for an ATmega328P board (Arduino Uno or Nano).
 *
 * The host sends 8-byte packets over the UART; each is answered by exactly
 * one 8-byte reply, in order. Packets are received by interrupt into a ring
 * of 16 packets, so a host may keep several in flight while the ICSP work of
 * earlier ones runs; replies leave through a transmit ring.
 *
 * What the commands do at the pins (docs/hardware.md has the full table):
 *   - ICSP command: 4 command bits and 16 operand bits, least significant
 *     first; PGD changes while PGC is low and the target latches it on PGC's
 *     falling edge.
 *   - Programming NOP: the NOP command 0000. After a start-programming write
 *     its fourth clock rises and stays high: the write runs while it is held
 *     (P9). After anything else (the erase's NOPs) the four clocks complete
 *     and PGC stays low while a bulk erase runs (P11). The NOP's operand waits.
 *   - Programming wait d1: keeps that state until d1 units (1 ms) have passed
 *     since the fourth clock rose (or fell), then PGC low for P10 (100 us,
 *     enough for both families) and the NOP's 16 operand clocks. Any other
 *     packet closes an open NOP after one unit. Without an open NOP it waits
 *     d1 ms with the lines still (a self-timed data EEPROM write).
 *   - Line mode 1: PGC and PGD driven low. Line mode 2: both released (inputs,
 *     no pull-up), so the target's own circuit has its pins back.
 *   - An unknown command code is answered with eight zero bytes.
 */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>
#include <stdint.h>
#include <string.h>
#include <util/delay.h>

#include "board.h"
#include "protocol_codes.h"

#define BIT(n) (1u << (n))

/* ------------------------------------------------------------ clocks */

/* Timer 1 runs free at F_CPU / 64: one tick is 4 us, a wrap 262 ms. */
#define TICKS_PER_MS 250u
/* Timer 0 gives the millisecond count for the watchdog. */
static volatile uint16_t milliseconds;

ISR(TIMER0_COMPA_vect) {
    ++milliseconds;
}

static uint16_t Milliseconds(void) {
    uint16_t now;
    cli();
    now = milliseconds;
    sei();
    return now;
}

static uint16_t Ticks(void) {
    uint16_t now;
    uint8_t sreg = SREG;
    cli();
    now = TCNT1;
    SREG = sreg;
    return now;
}

/* Waits until `ticks` have passed since `start` (at most one wrap). */
static void WaitTicksSince(uint16_t start, uint16_t ticks) {
    while ((uint16_t)(Ticks() - start) < ticks) {
    }
}

/* Waits whole milliseconds, longer than one timer wrap if need be. */
static void WaitMs(uint8_t ms) {
    while (ms--) WaitTicksSince(Ticks(), TICKS_PER_MS + 1);
}

/* ------------------------------------------------------------ host link */

#define RX_SIZE 128 /* 16 packets */
#define TX_SIZE 64
static volatile uint8_t rxBuffer[RX_SIZE];
static volatile uint8_t rxHead, rxTail; /* free-running; the size is a power of two */
static volatile uint8_t txBuffer[TX_SIZE];
static volatile uint8_t txHead, txTail;

ISR(USART_RX_vect) {
    const uint8_t byte = UDR0;
    if ((uint8_t)(rxHead - rxTail) < RX_SIZE) {
        rxBuffer[rxHead % RX_SIZE] = byte;
        ++rxHead;
    }
}

ISR(USART_UDRE_vect) {
    if (txHead == txTail) {
        UCSR0B &= (uint8_t)~BIT(UDRIE0);
        return;
    }
    UDR0 = txBuffer[txTail % TX_SIZE];
    ++txTail;
}

static uint8_t ReceivedBytes(void) {
    uint8_t count;
    cli();
    count = (uint8_t)(rxHead - rxTail);
    sei();
    return count;
}

static void TakePacket(uint8_t packet[8]) {
    for (uint8_t i = 0; i < 8; ++i) packet[i] = rxBuffer[(uint8_t)(rxTail + i) % RX_SIZE];
    cli();
    rxTail = (uint8_t)(rxTail + 8);
    sei();
}

static void SendReply(const uint8_t reply[8]) {
    for (uint8_t i = 0; i < 8; ++i) {
        while ((uint8_t)(txHead - txTail) >= TX_SIZE) {
        }
        txBuffer[txHead % TX_SIZE] = reply[i];
        cli();
        ++txHead;
        UCSR0B |= BIT(UDRIE0);
        sei();
    }
}

/* ------------------------------------------------------------ target power */

static uint8_t vppLevel;
/* Set when Vpp reached the programming level with the supply on, cleared when
 * the host switches the supply: the watchdog then owns the supply too. */
static uint8_t programmingSinceSupply;

static void LinesLow(void) {
    PORTB &= (uint8_t) ~(BIT(PIN_PGC) | BIT(PIN_PGD));
    DDRB |= BIT(PIN_PGC) | BIT(PIN_PGD);
}

static void LinesReleased(void) {
    DDRB &= (uint8_t) ~(BIT(PIN_PGC) | BIT(PIN_PGD));
    PORTB &= (uint8_t) ~(BIT(PIN_PGC) | BIT(PIN_PGD));
}

static void SetVpp(uint8_t level) {
    if (level == VPP_PROGRAMMING) {
        /* High-voltage entry: PGC and PGD low, then MCLR/Vpp to VIHH; the
         * first clock comes well after P12 (2 us). */
        LinesLow();
        _delay_us(1);
        PORTB = (uint8_t)((PORTB & ~BIT(PIN_MCLR_LOW)) | BIT(PIN_VPP_ON)); /* one write */
        _delay_us(100);
        if (PORTB & BIT(PIN_SUPPLY)) programmingSinceSupply = 1;
    } else {
        if (vppLevel == VPP_PROGRAMMING) LinesLow(); /* leave with the lines low (P16) */
        PORTB &= (uint8_t)~BIT(PIN_VPP_ON);
        if (level == VPP_ZERO) {
            PORTB |= BIT(PIN_MCLR_LOW);
        } else {
            PORTB &= (uint8_t)~BIT(PIN_MCLR_LOW);
        }
    }
    vppLevel = level;
}

static void SetSupply(uint8_t on) {
    if (on) {
        PORTB |= BIT(PIN_SUPPLY);
    } else {
        /* The supply falls after MCLR/Vpp (P17). */
        if (vppLevel == VPP_PROGRAMMING) {
            SetVpp(VPP_ZERO);
            _delay_us(1);
        }
        PORTB &= (uint8_t)~BIT(PIN_SUPPLY);
    }
    programmingSinceSupply = 0;
}

static void SetLed(uint8_t on) {
    if (on) {
        PORTB |= BIT(PIN_LED);
    } else {
        PORTB &= (uint8_t)~BIT(PIN_LED);
    }
}

/* ------------------------------------------------------------ ICSP */

/* Each bit: PGD set while PGC is low, PGC high, PGC low. Every change is its
 * own instruction, so setup (P3) and hold (P4) are at least two cycles (125
 * ns) and a clock period at least six; the loop gives about 1.3 MHz. */
static void ClockOut(uint16_t bits, uint8_t count) {
    DDRB |= BIT(PIN_PGD);
    do {
        if (bits & 1) {
            PORTB |= BIT(PIN_PGD);
        } else {
            PORTB &= (uint8_t)~BIT(PIN_PGD);
        }
        PORTB |= BIT(PIN_PGC);
        bits >>= 1;
        PORTB &= (uint8_t)~BIT(PIN_PGC);
    } while (--count);
}

/* The target drives PGD; each bit is valid P14 after PGC rises and is read
 * just before PGC falls. */
static uint8_t ClockIn(void) {
    uint8_t value = 0;
    for (uint8_t bit = 0; bit < 8; ++bit) {
        PORTB |= BIT(PIN_PGC);
        _delay_us(0.2);
        value >>= 1;
        if (PINB & BIT(PIN_PGD)) value |= 0x80;
        PORTB &= (uint8_t)~BIT(PIN_PGC);
    }
    return value;
}

/* The NOP that the programming NOP command opens and the programming wait
 * closes. After a start-programming write its fourth clock stays high (the
 * write runs while PGC is high, P9); after anything else the four command
 * clocks complete and PGC stays low (a bulk erase runs meanwhile, P11).
 * `nopStart` is when the fourth clock rose or fell. */
static uint8_t nopOpen;
static uint8_t nopClockHigh;
static uint16_t nopStart;
/* The last ICSP command was a start-programming write. */
static uint8_t programmingWritten;

static void CloseNop(uint16_t holdTicks) {
    if (!nopOpen) return;
    WaitTicksSince(nopStart, holdTicks);
    PORTB &= (uint8_t)~BIT(PIN_PGC);
    nopOpen = 0;
    _delay_us(100); /* P10: 5 us (18FXX2), 100 us (18F2XXX/4XXX) */
    ClockOut(0, 16);
    _delay_us(0.1); /* P5A */
}

static void OpenNop(void) {
    CloseNop(TAMRO_WAIT_UNIT_TICKS);
    LinesLow();
    nopClockHigh = programmingWritten;
    programmingWritten = 0;
    if (nopClockHigh) {
        ClockOut(0, 3);
        PORTB |= BIT(PIN_PGC);
    } else {
        ClockOut(0, 4);
    }
    nopStart = Ticks();
    nopOpen = 1;
}

static void IcspCommand(uint8_t command, uint16_t operand) {
    ClockOut(command, 4);
    _delay_us(0.1); /* P5 */
    ClockOut(operand, 16);
    _delay_us(0.1); /* P5A */
}

static uint8_t IcspRead(uint8_t command) {
    ClockOut(command, 4);
    _delay_us(0.1);                 /* P5 */
    ClockOut(0, 8);                 /* the target ignores this byte */
    DDRB &= (uint8_t)~BIT(PIN_PGD); /* hand PGD to the target (P6) */
    PORTB &= (uint8_t)~BIT(PIN_PGD);
    _delay_us(0.1);
    const uint8_t value = ClockIn();
    _delay_us(0.1); /* the target lets go of PGD, then P5A */
    DDRB |= BIT(PIN_PGD);
    return value;
}

static void SetTablePointer(uint8_t upper, uint8_t high, uint8_t low) {
    IcspCommand(ICSP_CORE_INSTRUCTION, (uint16_t)(INSTR_MOVLW_HIGH << 8 | upper));
    IcspCommand(ICSP_CORE_INSTRUCTION, INSTR_MOVWF_TBLPTRU);
    IcspCommand(ICSP_CORE_INSTRUCTION, (uint16_t)(INSTR_MOVLW_HIGH << 8 | high));
    IcspCommand(ICSP_CORE_INSTRUCTION, INSTR_MOVWF_TBLPTRH);
    IcspCommand(ICSP_CORE_INSTRUCTION, (uint16_t)(INSTR_MOVLW_HIGH << 8 | low));
    IcspCommand(ICSP_CORE_INSTRUCTION, INSTR_MOVWF_TBLPTRL);
}

static uint8_t IsReadCommand(uint8_t command) {
    return command == ICSP_SHIFT_OUT_TABLAT ||
           (command >= ICSP_TABLE_READ && command <= ICSP_TABLE_READ_PRE_INCREMENT);
}

/* ------------------------------------------------------------ instruments */

/* Rising edges at the signal input, counted by INT0. */
static volatile uint32_t edges;

ISR(INT0_vect) {
    ++edges;
}

static uint32_t Edges(void) {
    uint32_t count;
    cli();
    count = edges;
    sei();
    return count;
}

static void CountReply(uint32_t count, uint8_t reply[8]) {
    reply[0] = (uint8_t)(count >> 8);
    reply[1] = (uint8_t)count;
    reply[2] = count >> 24 ? 0xFF : (uint8_t)(count >> 16);
}

static void FrequencyCount(uint8_t gate, uint8_t reply[8]) {
    const uint8_t windows = gate == GATE_1S ? 10 : 1;
    const uint32_t first = Edges();
    uint16_t start = Ticks();
    for (uint8_t i = 0; i < windows; ++i) {
        WaitTicksSince(start, 100 * TICKS_PER_MS);
        start = (uint16_t)(start + 100 * TICKS_PER_MS);
    }
    CountReply(Edges() - first, reply);
}

static uint32_t eventCount;
static uint32_t eventSince;
static uint8_t eventRunning;

static void EventCounter(uint8_t action, uint8_t reply[8]) {
    const uint32_t now = Edges();
    if (eventRunning) {
        eventCount += now - eventSince;
        eventSince = now;
    }
    if (action == EVENT_RESET) eventCount = 0;
    if (action == EVENT_READ) CountReply(eventCount, reply);
    if (action == EVENT_START && !eventRunning) {
        eventRunning = 1;
        eventSince = now;
    }
    if (action == EVENT_STOP) eventRunning = 0;
}

#define CAPTURE_SAMPLES 480
#define CAPTURE_BYTES 64
static uint8_t capture[CAPTURE_BYTES];

static uint8_t SignalHigh(void) {
    return (PIND & BIT(PIN_SIGNAL)) != 0;
}

/* Waits up to a second for the trigger edge, then takes 480 samples one
 * sample time apart; sample n is bit n % 8 of byte 59 - n / 8. The reply
 * leaves when the capture is done. */
static void Capture(uint8_t sampleTime, uint8_t rising) {
    const uint16_t step = (uint16_t)(sampleTime ? sampleTime : 1) * (TICKS_PER_MS / 10);
    memset(capture, 0, sizeof capture);
    const uint16_t waitStart = Milliseconds();
    uint8_t last = SignalHigh();
    while ((uint16_t)(Milliseconds() - waitStart) < 1000) {
        const uint8_t level = SignalHigh();
        if (level != last && level == (rising != 0)) break;
        last = level;
    }
    uint16_t at = Ticks();
    for (uint16_t n = 0; n < CAPTURE_SAMPLES; ++n) {
        if (SignalHigh()) capture[59 - n / 8] |= (uint8_t)BIT(n % 8);
        WaitTicksSince(at, step);
        at = (uint16_t)(at + step);
    }
}

static uint16_t AnalogCount(uint8_t channel) {
    ADMUX = BIT(REFS0) | BIT(ADLAR) | channel; /* AVCC reference, 8-bit result */
    _delay_us(10);
    ADCSRA |= BIT(ADSC);
    while (ADCSRA & BIT(ADSC)) {
    }
    /* 50 counts per step of 5 V / 255: the host's volt formula. */
    return (uint16_t)ADCH * 50u;
}

/* ------------------------------------------------------------ commands */

static void Execute(const uint8_t packet[8], uint8_t reply[8]) {
    const uint8_t d1 = packet[1];
    if (packet[0] != CMD_PROGRAMMING_WAIT) CloseNop(TAMRO_WAIT_UNIT_TICKS);
    switch (packet[0]) {
        case CMD_ICSP:
            LinesLow();
            programmingWritten = (d1 & 0x0F) == ICSP_TABLE_WRITE_START_PROGRAMMING ||
                                 (d1 & 0x0F) == ICSP_TABLE_WRITE_1110;
            if (IsReadCommand(d1 & 0x0F)) {
                reply[0] = IcspRead(d1 & 0x0F);
            } else {
                IcspCommand(d1 & 0x0F, (uint16_t)(packet[2] << 8 | packet[3]));
            }
            break;
        case CMD_SET_TABLE_POINTER:
            LinesLow();
            programmingWritten = 0;
            SetTablePointer(packet[1], packet[2], packet[3]);
            break;
        case CMD_TABLE_READ: {
            LinesLow();
            programmingWritten = 0;
            const uint8_t count = packet[2] > 8 ? 8 : packet[2];
            for (uint8_t i = 0; i < count; ++i) reply[i] = IcspRead(d1 & 0x0F);
            break;
        }
        case CMD_PROGRAMMING_NOP:
            OpenNop();
            break;
        case CMD_PROGRAMMING_WAIT:
            if (nopOpen) {
                CloseNop((uint16_t)(d1 * TAMRO_WAIT_UNIT_TICKS + 1));
            } else {
                WaitMs(d1);
            }
            break;
        case CMD_LINE_MODE:
            if (d1 == LINE_MODE_RELEASED && vppLevel != VPP_PROGRAMMING) {
                LinesReleased();
            } else {
                LinesLow();
            }
            break;
        case CMD_VPP_LEVEL:
            if (d1 <= VPP_PROGRAMMING) SetVpp(d1);
            break;
        case CMD_CAPTURE_START:
            Capture(d1, packet[2]);
            break;
        case CMD_CAPTURE_READ:
            if (d1 < 8) memcpy(reply, capture + d1 * 8, 8);
            break;
        case CMD_ANALOG_READ:
            if (d1 == ADC_VPP || d1 == ADC_SAB || d1 == ADC_VIN) {
                const uint16_t count = AnalogCount(d1);
                reply[0] = (uint8_t)(count >> 8);
                reply[1] = (uint8_t)count;
            }
            break;
        case CMD_TARGET_SUPPLY:
            SetSupply(d1 != 0);
            break;
        case CMD_LED:
            SetLed(d1 != 0);
            break;
        case CMD_FREQUENCY_COUNT:
            FrequencyCount(d1, reply);
            break;
        case CMD_EVENT_COUNTER:
            EventCounter(d1, reply);
            break;
        case CMD_IDENTIFY:
            memcpy(reply, FIRMWARE_IDENTIFICATION, 8);
            break;
        default:
            break;
    }
}

/* ------------------------------------------------------------ start and loop */

static void Start(void) {
    /* Vpp 0 V, lines low, LED off; the target supply on, as the host's
     * start-up expects to find it. */
    PORTB = BIT(PIN_MCLR_LOW) | BIT(PIN_SUPPLY);
    DDRB = BIT(PIN_PGC) | BIT(PIN_PGD) | BIT(PIN_VPP_ON) | BIT(PIN_MCLR_LOW) | BIT(PIN_SUPPLY) |
           BIT(PIN_LED);
    vppLevel = VPP_ZERO;

    UCSR0A = BIT(U2X0);
    UBRR0 = (uint16_t)(F_CPU / 8 / TAMRO_BAUD - 1);
    UCSR0C = BIT(UCSZ01) | BIT(UCSZ00);
    UCSR0B = BIT(RXEN0) | BIT(TXEN0) | BIT(RXCIE0);

    TCCR0A = BIT(WGM01); /* CTC, 1 kHz */
    OCR0A = F_CPU / 64 / 1000 - 1;
    TCCR0B = BIT(CS01) | BIT(CS00);
    TIMSK0 = BIT(OCIE0A);
    TCCR1A = 0;
    TCCR1B = BIT(CS11) | BIT(CS10); /* free running, F_CPU / 64 */

    EICRA = BIT(ISC01) | BIT(ISC00); /* INT0 on rising edges */
    EIMSK = BIT(INT0);

    ADCSRA = BIT(ADEN) | BIT(ADPS2) | BIT(ADPS1) | BIT(ADPS0);
    DIDR0 = BIT(ADC_VPP) | BIT(ADC_SAB) | BIT(ADC_VIN);
    set_sleep_mode(SLEEP_MODE_IDLE);
    sei();
}

/* Drops Vpp and the supply when the host has gone quiet in the middle of
 * programming. */
static void Watchdog(uint16_t lastPacket) {
    const uint8_t armed =
        vppLevel == VPP_PROGRAMMING || (programmingSinceSupply && (PORTB & BIT(PIN_SUPPLY)));
    if (!armed || (uint16_t)(Milliseconds() - lastPacket) < TAMRO_WATCHDOG_MS) return;
    CloseNop(TAMRO_WAIT_UNIT_TICKS);
    SetVpp(VPP_ZERO);
    SetSupply(0);
    SetLed(0);
}

int main(void) {
    Start();
    uint16_t lastPacket = Milliseconds();
    for (;;) {
        if (ReceivedBytes() >= 8) {
            uint8_t packet[8];
            uint8_t reply[8] = {0};
            TakePacket(packet);
            lastPacket = Milliseconds();
            Execute(packet, reply);
            SendReply(reply);
            continue;
        }
        Watchdog(lastPacket);
        cli();
        if ((uint8_t)(rxHead - rxTail) < 8) {
            sleep_enable();
            sei();
            sleep_cpu();
            sleep_disable();
        }
        sei();
    }
}
