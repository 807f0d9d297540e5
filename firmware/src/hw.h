// SPDX-License-Identifier: GPL-3.0-or-later
/* The ATmega328P's hardware layer as the start-up code and the main loop
 * see it: each peripheral's set-up, and what they share with the interrupts.
 * The portable code reaches the same hardware through dw_hal.h, which
 * these files implement. AVR only. */
#ifndef HW_H
#define HW_H

#include <stdint.h>

/* hw_timer.c: the 1 ms tick that keeps the time of day, and the watch on
 * the main loop. */
/* Before the tick runs: keeps the time if the reset (flags as
 * dw_reset_flags() gives them) kept the RAM, adding hold_us, the time the
 * reset held the chip, to the microsecond. */
void hw_clock_start(uint8_t reset_flags, uint32_t hold_us);
void hw_timer_init(void);
/* Set by the main loop at every round. When it stays clear for a second
 * the tick restarts the firmware and leaves hw_hung_mark == HW_HUNG_MARK in
 * RAM that the start-up code leaves alone, for the next start to read. */
extern volatile uint8_t hw_loop_ran;
/* The untrimmed 1 ms count (dw_hal_ms); read it with interrupts off. */
extern volatile uint16_t hw_ticks;
extern uint16_t hw_hung_mark;
#define HW_HUNG_MARK 0xB007U

/* hw_boot.c: the bootloader's hold. First thing at start: may jump away
 * to time the bootloader (or the start-up code) and come back through the
 * reset vector; then returns what the reset cost the clock in µs, with
 * *flags the causes of the reset that began it all. */
uint32_t hw_boot_start(uint8_t *flags);
/* The tick starts now: the start-up's time since hw_boot_start, for the
 * next start's hold. */
void hw_boot_ticking(void);
/* Measures the watchdog oscillator against the crystal for half a second,
 * the watchdog still watching, then arms it at 2 s. Meanwhile (hw_wdt_busy)
 * the main loop must not reset it. */
void hw_watchdog_start(void);
extern volatile uint8_t hw_wdt_busy;

/* hw_uart.c: USART0 at the line's settings; received bytes wait in a ring
 * for the main loop. */
void hw_uart_init(void);
/* Hands the next received byte (or a loss) to the board; 0 when none was
 * waiting. */
uint8_t hw_uart_step(void);
/* 1 when no received byte waits; call with interrupts off. */
uint8_t hw_uart_idle(void);

/* hw_i2c.c: the TWI as a 100 kHz bus master. */
void hw_i2c_init(void);

/* hw_light.c: the light outputs. */
void hw_light_init(void);

/* hw_button.c: the push button's pin, pulled up. */
void hw_button_init(void);

/* avr_main.c: the RAM above the static data is painted with this byte at
 * every start, from the end of the static data up to the stack: what the
 * stack never reached still holds it (the virtual board's `stack` counts
 * the longest run of it). */
#define HW_STACK_PAINT 0x5CU

#endif
