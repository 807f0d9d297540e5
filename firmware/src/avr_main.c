// SPDX-License-Identifier: GPL-3.0-or-later
/* ATmega328P side: start-up, USART0, Timer0 tick, EEPROM, TWI, light pins,
 * main loop. */
#include <avr/eeprom.h>
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/pgmspace.h>
#include <avr/sleep.h>
#include <avr/wdt.h>
#include <util/atomic.h>
#include <util/twi.h>

#define BAUD 9600
#include <util/setbaud.h>

#include "dw_board.h"
#include "dw_clock.h"
#include "dw_hal.h"
#include "dw_rx.h"

/* Light outputs: on-board LED PB5 (Arduino D13), relay PD7 (D7), active high. */
#define LED_DDR DDRB
#define LED_PORT PORTB
#define LED_BIT PB5
#define RELAY_DDR DDRD
#define RELAY_PORT PORTD
#define RELAY_BIT PD7

/* Time of day, in RAM the start-up code leaves alone so that it survives
 * a reset that is not a power cut. Global, non-static name: the virtual
 * board finds it in the ELF symbol table to set the clock from a test. */
volatile struct dw_kept dw_clock __attribute__((section(".noinit")));
/* Its second copy, for a reset that lands while the tick writes dw_clock. */
static volatile struct dw_kept dw_clock_copy __attribute__((section(".noinit")));

/* What the reset left: MCUSR and r2 (Optiboot's copy of MCUSR), saved
 * before anything clears them. */
static uint8_t start_mcusr __attribute__((section(".noinit")));
static uint8_t start_r2 __attribute__((section(".noinit")));

/* A main loop stuck with interrupts on is caught by the tick, which
 * restarts the firmware itself instead of leaving it to the watchdog: a
 * watchdog reset leaves the watchdog running at 16 ms, and the old Nano
 * bootloader (ATmegaBOOT) neither stops it nor lets the firmware run
 * within that, so it would reset for ever. The mark tells the next start
 * that no time was lost. The watchdog (2 s) stays for a hang with
 * interrupts off. */
#define HANG_MS 1000U
#define HUNG_MARK 0xB007U
static volatile uint8_t loop_ran;
static uint16_t loop_quiet_ms;
static uint16_t hung_mark __attribute__((section(".noinit")));
static uint8_t start_hung __attribute__((section(".noinit")));

static volatile struct dw_rx rx;

/* Runs before .data and .bss are set up. A watchdog reset leaves the
 * watchdog running, and it only stops once WDRF is cleared: save the reset
 * cause, then stop it before anything slow happens. */
void early_start(void) __attribute__((naked, used, section(".init3")));
void early_start(void)
{
    uint8_t r2;
    __asm__ __volatile__("mov %0, r2" : "=r"(r2));
    start_r2 = r2;
    start_mcusr = MCUSR;
    MCUSR = 0;
    wdt_disable();
    start_hung = hung_mark == HUNG_MARK;
    hung_mark = 0;
}

/* The trim in effect and where its ms steps stand. */
static int32_t trim_now;
static int32_t trim_acc;

ISR(TIMER0_COMPA_vect)
{
    dw_kept_tick(&dw_clock, &dw_clock_copy, dw_trim_step(&trim_acc, trim_now));
    if (loop_ran) {
        loop_ran = 0;
        loop_quiet_ms = 0;
    } else if (++loop_quiet_ms >= HANG_MS) {
        /* start again from the reset vector, interrupts off: the start-up
         * code stops the watchdog, and main sets every register it uses */
        hung_mark = HUNG_MARK;
        __asm__ __volatile__("jmp 0");
    }
}

ISR(USART_RX_vect)
{
    uint8_t status = UCSR0A;
    uint8_t c = UDR0;
    dw_rx_put(&rx, c, status & _BV(FE0), status & _BV(DOR0));
}

uint8_t dw_hal_ee_read(uint16_t addr)
{
    return eeprom_read_byte((const uint8_t *)(uintptr_t)addr);
}

void dw_hal_ee_write(uint16_t addr, uint8_t value)
{
    eeprom_write_byte((uint8_t *)(uintptr_t)addr, value);
    eeprom_busy_wait();
}

void dw_hal_putc(char c)
{
    loop_until_bit_is_set(UCSR0A, UDRE0);
    UDR0 = (uint8_t)c;
}

uint32_t dw_hal_clock_get(void)
{
    uint32_t s;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { s = dw_clock.seconds; }
    return s;
}

uint32_t dw_hal_clock_get_ms(uint16_t *ms)
{
    uint32_t s;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        s = dw_clock.seconds;
        *ms = dw_clock.ms;
    }
    return s;
}

void dw_hal_clock_set(uint32_t seconds, uint16_t ms, uint16_t day)
{
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { dw_kept_set(&dw_clock, &dw_clock_copy, seconds, ms, day); }
}

uint16_t dw_hal_clock_day(void)
{
    uint16_t day;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { day = dw_clock.day; }
    return day;
}

uint32_t dw_hal_run_get(uint16_t *ms)
{
    uint32_t s;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        s = dw_clock.run_s;
        *ms = dw_clock.run_ms;
    }
    return s;
}

void dw_hal_run_from(uint32_t run_s)
{
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { dw_kept_run_from(&dw_clock, &dw_clock_copy, run_s); }
}

void dw_hal_clock_trim(int32_t trim)
{
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { trim_now = trim; }
}

uint8_t dw_hal_clock_known(void)
{
    return dw_clock.known;
}

/* ---- TWI (I2C master, 100 kHz) ------------------------------------------
 * Every wait is bounded: a missing module just does not acknowledge, but a
 * stuck bus (a line held low) would otherwise hang the board. */

#define TWI_WAIT_LOOPS 3000U    /* about 1 ms; one byte takes 90 us */

static uint8_t twi_wait(void)
{
    for (uint16_t n = TWI_WAIT_LOOPS; n; --n)
        if (TWCR & _BV(TWINT))
            return 1;
    return 0;
}

/* Starts one step of a transfer and waits for its end. The chip clears
 * TWINT at once; simavr (the virtual board) may leave it set until the
 * step is done, so the old flag is waited out first, at most about 0.2 ms
 * (a step takes 90 us at 100 kHz). */
static uint8_t twi_step(uint8_t control)
{
    TWCR = control;
    for (uint16_t n = TWI_WAIT_LOOPS / 5U; n && (TWCR & _BV(TWINT)); --n)
        ;
    return twi_wait();
}

static uint8_t twi_start(uint8_t sla)
{
    if (!twi_step(_BV(TWINT) | _BV(TWSTA) | _BV(TWEN)) ||
        (TW_STATUS != TW_START && TW_STATUS != TW_REP_START))
        return 0;
    TWDR = sla;
    /* simavr reports an acknowledged SLA+W as 0x28, a status the chip
     * never shows after an address */
    return twi_step(_BV(TWINT) | _BV(TWEN)) &&
           (TW_STATUS == TW_MT_SLA_ACK || TW_STATUS == TW_MR_SLA_ACK || TW_STATUS == TW_MT_DATA_ACK);
}

static uint8_t twi_send(uint8_t b)
{
    TWDR = b;
    return twi_step(_BV(TWINT) | _BV(TWEN)) && TW_STATUS == TW_MT_DATA_ACK;
}

/* Ends a transfer; after a failure the TWI is switched off, which lets go
 * of both lines, and the next start switches it on again. */
static uint8_t twi_end(uint8_t ok)
{
    if (ok) {
        TWCR = _BV(TWINT) | _BV(TWSTO) | _BV(TWEN);
        for (uint16_t n = TWI_WAIT_LOOPS; n && (TWCR & _BV(TWSTO)); --n)
            ;
    }
    if (!ok || (TWCR & _BV(TWSTO)))
        TWCR = 0;
    return ok;
}

uint8_t dw_hal_i2c_read(uint8_t addr, uint8_t reg, uint8_t *buf, uint8_t n)
{
    /* register pointer, stop, then a read: simavr's TWI does not read
     * after a repeated start, and every DS1307-type clock takes either */
    uint8_t ok = twi_end(twi_start((uint8_t)(addr << 1 | TW_WRITE)) && twi_send(reg)) &&
                 twi_start((uint8_t)(addr << 1 | TW_READ));
    for (uint8_t i = 0; ok && i < n; ++i) {
        uint8_t last = i + 1U == n;
        ok = twi_step((uint8_t)(_BV(TWINT) | _BV(TWEN) | (last ? 0 : _BV(TWEA)))) && TW_STATUS == (last ? TW_MR_DATA_NACK : TW_MR_DATA_ACK);
        buf[i] = TWDR;
    }
    return twi_end(ok);
}

uint8_t dw_hal_i2c_write(uint8_t addr, uint8_t reg, const uint8_t *buf, uint8_t n)
{
    uint8_t ok = twi_start((uint8_t)(addr << 1 | TW_WRITE)) && twi_send(reg);
    for (uint8_t i = 0; ok && i < n; ++i)
        ok = twi_send(buf[i]);
    return twi_end(ok);
}

static void twi_init(void)
{
    PORTC |= _BV(PC4) | _BV(PC5);   /* weak pull-ups: an empty bus reads idle */
    TWSR = 0;                        /* prescaler 1 */
    TWBR = (uint8_t)((F_CPU / 100000UL - 16U) / 2U);
}

void dw_hal_light(uint8_t on)
{
    if (on) {
        LED_PORT |= _BV(LED_BIT);
        RELAY_PORT |= _BV(RELAY_BIT);
    } else {
        LED_PORT &= (uint8_t)~_BV(LED_BIT);
        RELAY_PORT &= (uint8_t)~_BV(RELAY_BIT);
    }
}

static void usart_init(void)
{
    UBRR0H = UBRRH_VALUE;
    UBRR0L = UBRRL_VALUE;
#if USE_2X
    UCSR0A = _BV(U2X0);
#else
    UCSR0A = 0;
#endif
    UCSR0C = _BV(UCSZ01) | _BV(UCSZ00);            /* 8N1 */
    UCSR0B = _BV(RXEN0) | _BV(TXEN0) | _BV(RXCIE0);
}

static void timer_init(void)
{
    /* 16 MHz / 64 / 250 = 1 kHz, exact with the crystal */
    TCCR0A = _BV(WGM01);
    OCR0A = 249;
    TCCR0B = _BV(CS01) | _BV(CS00);
    TIMSK0 = _BV(OCIE0A);
}

int main(void)
{
    /* before the tick runs: keep the time if this reset kept the RAM */
    dw_kept_start(&dw_clock, &dw_clock_copy, dw_reset_flags(start_mcusr, start_r2, pgm_read_byte(FLASHEND), start_hung),
                  DW_BOOT_HOLD_MS);
    wdt_enable(WDTO_2S);
    LED_DDR |= _BV(LED_BIT);
    RELAY_DDR |= _BV(RELAY_BIT);
    usart_init();
    timer_init();
    twi_init();
    set_sleep_mode(SLEEP_MODE_IDLE);
    sei();

    dw_board_init();

    for (;;) {
        wdt_reset();
        loop_ran = 1;
        /* a sender that keeps the ring full keeps this loop busy: that is
         * work, not a hang */
        while (dw_rx_step(&rx))
            loop_ran = 1;
        dw_board_poll();

        /* sleep until the next tick or byte, unless one arrived meanwhile */
        cli();
        if (rx.tail == rx.head) {
            sleep_enable();
            sei();
            sleep_cpu();
            sleep_disable();
        }
        sei();
    }
}
