// SPDX-License-Identifier: GPL-3.0-or-later
/* ATmega328P start-up and main loop; the hardware itself is in hw_*.c. */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/pgmspace.h>
#include <avr/sleep.h>
#include <avr/wdt.h>

#include "dw_board.h"
#include "dw_clock.h"
#include "hw.h"

/* What the reset left: MCUSR and r2 (Optiboot's copy of MCUSR), saved
 * before anything clears them, and whether the tick restarted a hung main
 * loop. */
static uint8_t start_mcusr __attribute__((section(".noinit")));
static uint8_t start_r2 __attribute__((section(".noinit")));
static uint8_t start_hung __attribute__((section(".noinit")));

/* The RAM above the static data (the kept time included) up to the
 * stack, painted at every start. */
extern uint8_t __heap_start;

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
    start_hung = hw_hung_mark == HW_HUNG_MARK;
    hw_hung_mark = 0;
    for (uint8_t *p = &__heap_start; p < (uint8_t *)SP - 4; ++p)
        *p = HW_STACK_PAINT;
}

int main(void)
{
    /* before the tick runs: keep the time if this reset kept the RAM, and
     * add what the bootloader held (timed first, where not yet known) */
    uint8_t flags = dw_reset_flags(start_mcusr, start_r2, pgm_read_byte(FLASHEND), start_hung);
    const uint32_t hold_us = hw_boot_start(&flags);
    hw_light_init();
    hw_button_init();
    hw_uart_init();
    hw_clock_start(flags, hold_us);
    hw_timer_init();
    hw_boot_ticking();
    hw_watchdog_start();
    hw_i2c_init();
    set_sleep_mode(SLEEP_MODE_IDLE);
    sei();

    dw_board_init();

    for (;;) {
        if (!hw_wdt_busy)
            wdt_reset();
        hw_loop_ran = 1;
        /* a sender that keeps the ring full keeps this loop busy: that is
         * work, not a hang */
        while (hw_uart_step())
            hw_loop_ran = 1;
        dw_board_poll();

        /* sleep until the next tick or byte, unless one arrived meanwhile */
        cli();
        if (hw_uart_idle()) {
            sleep_enable();
            sei();
            sleep_cpu();
            sleep_disable();
        }
        sei();
    }
}
