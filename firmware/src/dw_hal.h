// SPDX-License-Identifier: GPL-3.0-or-later
/* What the portable board logic needs from the hardware. The AVR build
 * implements these in hw_*.c; host tests supply fakes. */
#ifndef DW_HAL_H
#define DW_HAL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* EEPROM: 1024 bytes on the ATmega328P. A write must be complete (or the
 * chip dead) when it returns. */
uint8_t dw_hal_ee_read(uint16_t addr);
void dw_hal_ee_write(uint16_t addr, uint8_t value);

/* Serial output, one byte at a time; may block until the byte is queued. */
void dw_hal_putc(char c);

/* Time of day in whole seconds (0..86399), kept by the timer interrupt. */
uint32_t dw_hal_clock_get(void);
/* The same with the milliseconds into the second (0..999), read together. */
uint32_t dw_hal_clock_get_ms(uint16_t *ms);
/* Sets the time of day to the millisecond and the date (DW_NO_DATE:
 * unknown), and marks the time known. */
void dw_hal_clock_set(uint32_t seconds, uint16_t ms, uint16_t day);
/* 0 after a cold start until the time is set, else 1. */
uint8_t dw_hal_clock_known(void);
/* The date the clock has reached (it moves on at midnight), or DW_NO_DATE. */
uint16_t dw_hal_clock_day(void);
/* Sets the date alone: the time and whether it is known stay as they are. */
void dw_hal_clock_set_day(uint16_t day);
/* The oscillator's own time, untrimmed, counted from dw_hal_run_from(0):
 * whole seconds (DW_NO_RUN when it does not count: after a cold start or
 * dw_hal_run_from(DW_NO_RUN)) and ms. A reset that keeps the time keeps it. */
uint32_t dw_hal_run_get(uint16_t *ms);
void dw_hal_run_from(uint32_t run_s);
/* Corrects the tick by trim hundredths of a ppm (+: the clock gains). */
void dw_hal_clock_trim(int32_t trim);

/* The I2C bus (7-bit address): n bytes from or to the registers starting at
 * reg. 1 when every byte was acknowledged; 0 when nothing answers or the
 * bus is stuck. Each call ends within a few milliseconds whatever the bus
 * does. */
uint8_t dw_hal_i2c_read(uint8_t addr, uint8_t reg, uint8_t *buf, uint8_t n);
uint8_t dw_hal_i2c_write(uint8_t addr, uint8_t reg, const uint8_t *buf, uint8_t n);

/* Drives the light outputs (LED and relay). */
void dw_hal_light(uint8_t on);

/* The push button: 1 while its contact is closed (not debounced). */
uint8_t dw_hal_button(void);
/* A millisecond count, untrimmed and never set: it only wraps. */
uint16_t dw_hal_ms(void);

#ifdef __cplusplus
}
#endif

#endif
