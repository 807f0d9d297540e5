// SPDX-License-Identifier: GPL-3.0-or-later
/* The clock module: a DS1307/DS3231-layout real-time clock on the I2C bus.
 * Its registers, and the driver that takes the board's time and ms phase
 * from it and writes the board's time back when the board is set.
 * Portable; the bus is reached through dw_hal.h. */
#ifndef DW_MODULE_H
#define DW_MODULE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Its 7-bit I2C address. */
#define DW_MODULE_ADDR 0x68U

/* The first three registers (BCD seconds with the DS1307's clock-halt bit
 * 7, minutes, hours in 12- or 24-hour form). Returns 1 and the time of day
 * when the oscillator runs and the registers hold a valid time. */
uint8_t dw_module_decode(const uint8_t *regs, uint32_t *seconds);
/* The registers for a time of day: 24-hour form, oscillator running. */
void dw_module_encode(uint32_t seconds, uint8_t *regs);
/* The date registers (weekday, date, month, two-digit year) and a date.
 * Decoding returns 1 when they hold a valid date. */
uint8_t dw_module_decode_date(const uint8_t *regs, uint16_t *day);
void dw_module_encode_date(uint16_t day, uint8_t *regs);

/* At start, with the kept time restored: looks for the module and takes
 * its time when the board has none or is more than a second off. A module
 * that does not answer now is not looked for again until the next start. */
void dw_module_start(void);

/* From the main loop: writes the module when a set to the ms is due at the
 * board's next second, follows the module's second edge, and reads it once
 * a minute. */
void dw_module_poll(void);

/* Every change of the board's time goes here: sets the board's clock, and
 * the module to it at once and again as the board's next second begins
 * when the time named milliseconds. */
void dw_module_set_clock(uint32_t s, uint16_t ms, uint16_t day);

/* 1 while the module gives the time. */
uint8_t dw_module_gives_time(void);

#ifdef __cplusplus
}
#endif

#endif
