// SPDX-License-Identifier: GPL-3.0-or-later
/* Timer0's 1 ms tick: the kept time of day, the trim, and the watch on the
 * main loop. */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <util/atomic.h>

#include "dw_clock.h"
#include "dw_hal.h"
#include "hw.h"

/* Time of day, in RAM the start-up code leaves alone so that it survives
 * a reset that is not a power cut. Global, non-static name: the virtual
 * board finds it in the ELF symbol table to set the clock from a test. */
volatile struct dw_kept dw_clock __attribute__((section(".noinit")));
/* Its second copy, for a reset that lands while the tick writes dw_clock. */
static volatile struct dw_kept dw_clock_copy __attribute__((section(".noinit")));

/* The part of a millisecond the reset's hold ran into: the first tick
 * comes that much early. */
static uint8_t tick_head_start;

/* The trim in effect and where its ms steps stand. */
static int32_t trim_now;
static int32_t trim_acc;

/* A main loop stuck with interrupts on is caught by the tick, which
 * restarts the firmware itself instead of leaving it to the watchdog: a
 * watchdog reset leaves the watchdog running at 16 ms, and the old Nano
 * bootloader (ATmegaBOOT) neither stops it nor lets the firmware run
 * within that, so it would reset for ever. The mark tells the next start
 * that no time was lost. The watchdog (2 s) stays for a hang with
 * interrupts off. */
#define HANG_MS 1000U
volatile uint8_t hw_loop_ran;
static uint16_t loop_quiet_ms;
uint16_t hw_hung_mark __attribute__((section(".noinit")));

/* Counts every tick; the button times its presses by it, the USART the
 * ends of lines. */
volatile uint16_t hw_ticks;

ISR(TIMER0_COMPA_vect)
{
    hw_ticks = (uint16_t)(hw_ticks + 1U);
    dw_kept_tick(&dw_clock, &dw_clock_copy, dw_trim_step(&trim_acc, trim_now));
    if (hw_loop_ran) {
        hw_loop_ran = 0;
        loop_quiet_ms = 0;
    } else if (++loop_quiet_ms >= HANG_MS) {
        /* start again from the reset vector, interrupts off: the start-up
         * code stops the watchdog, and main sets every register it uses */
        hw_hung_mark = HW_HUNG_MARK;
        __asm__ __volatile__("jmp 0");
    }
}

void hw_clock_start(uint8_t reset_flags, uint32_t hold_us)
{
    if (dw_kept_start(&dw_clock, &dw_clock_copy, reset_flags, (uint16_t)(hold_us / 1000U)) &&
        !(reset_flags & DW_RESET_HUNG))
        tick_head_start = (uint8_t)(hold_us % 1000U / 4U);
}

void hw_timer_init(void)
{
    /* 16 MHz / 64 / 250 = 1 kHz, exact with the crystal */
    TCCR0A = _BV(WGM01);
    OCR0A = 249;
    TCCR0B = _BV(CS01) | _BV(CS00);
    /* 4 us a count; once it runs (simavr drops a count written before) */
    TCNT0 = tick_head_start;
    TIMSK0 = _BV(OCIE0A);
}

uint16_t dw_hal_ms(void)
{
    uint16_t t;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { t = hw_ticks; }
    return t;
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

void dw_hal_clock_set_day(uint16_t day)
{
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { dw_kept_set_day(&dw_clock, &dw_clock_copy, day); }
}

uint8_t dw_hal_clock_known(void)
{
    return dw_clock.known;
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
