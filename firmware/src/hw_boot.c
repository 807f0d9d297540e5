// SPDX-License-Identifier: GPL-3.0-or-later
/* The bootloader's hold (dw_boot.c): the bootloader read from flash, the
 * timing jumps at start, and the watchdog oscillator measured against the
 * crystal in the background after every start. AVR only. */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/pgmspace.h>
#include <avr/wdt.h>

#include "dw_boot.h"
#include "hw.h"

static struct dw_boot boot __attribute__((section(".noinit")));

/* The lowest boot section start (4, 2, 1 KiB or 512 bytes below the end of
 * flash) holding code, or 0. */
static uint16_t find_loader(void)
{
    for (uint16_t size = 4096U; size >= 512U; size >>= 1) {
        const uint16_t start = (uint16_t)(FLASHEND + 1UL - size);
        if (pgm_read_word(start) != 0xFFFFU)
            return start;
    }
    return 0;
}

/* Timer1 counts from 0 while the jump's target runs, which leaves it alone
 * (ATmegaBOOT does; the firmware's start-up code does), until the next
 * start reads it. */
static void __attribute__((noreturn)) timed_jump(uint8_t step, uint16_t loader)
{
    TCCR1B = 0;
    TCCR1A = 0;
    TCNT1 = 0;
    TIFR1 = _BV(TOV1);
    GTCCR = _BV(PSRSYNC);
    if (step == DW_BOOT_TIME_SELF) {
        TCCR1B = _BV(CS11);
        __asm__ __volatile__("jmp 0");
    }
    TCCR1B = _BV(CS12) | _BV(CS10);
    /* the watchdog is off (the start-up code stopped it): ATmegaBOOT never
     * stops one, and a watchdog reset inside it would repeat for ever */
    ((void (*)(void))(loader >> 1))();
    for (;;) {
    }
}

uint32_t hw_boot_start(uint8_t *flags)
{
    const uint16_t ticks = TCNT1;
    const uint8_t overflowed = TIFR1 & _BV(TOV1);
    /* from here to the tick's start, for the next start */
    TCCR1B = _BV(CS11);
    TCNT1 = 0;
    const uint16_t loader = find_loader();
    const uint8_t step = dw_boot_start(&boot, dw_boot_kind(pgm_read_byte(FLASHEND), loader), flags, ticks, overflowed);
    if (step != DW_BOOT_GO)
        timed_jump(step, loader);
    return dw_boot_hold_us(&boot);
}

void hw_boot_ticking(void)
{
    dw_boot_ticking(&boot, TCNT1);
}

/* 32 periods of 2048 watchdog cycles (16 ms), timed with Timer1 at clk/8
 * from interrupt to interrupt: 65536 cycles in half-µs. A late interrupt
 * (behind the tick's) moves only the two ends, by a few µs in half a
 * second. */
#define WDT_PERIODS 32U
volatile uint8_t hw_wdt_busy;
static uint8_t wdt_periods;
static uint16_t wdt_last;
static uint32_t wdt_sum;

void hw_watchdog_start(void)
{
    /* Timer1 runs at clk/8 since hw_boot_start */
    hw_wdt_busy = 1;
    wdt_reset();
    /* interrupt, then (if the interrupt is not served: a hang with
     * interrupts off) reset */
    WDTCSR = _BV(WDCE) | _BV(WDE);
    WDTCSR = _BV(WDIE) | _BV(WDE);
}

ISR(WDT_vect)
{
    const uint16_t now = TCNT1;
    if (wdt_periods)
        wdt_sum += (uint16_t)(now - wdt_last);
    wdt_last = now;
    if (++wdt_periods <= WDT_PERIODS) {
        WDTCSR |= _BV(WDIE);   /* the interrupt cleared it */
        return;
    }
    dw_boot_watchdog(&boot, wdt_sum);
    TCCR1B = 0;
    hw_wdt_busy = 0;
    wdt_enable(WDTO_2S);
}
