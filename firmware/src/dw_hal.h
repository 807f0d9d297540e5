/* What the portable board logic needs from the hardware. The AVR build
 * implements these in avr_main.c; host tests supply fakes. */
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
/* Sets the time of day and restarts the current second. */
void dw_hal_clock_set(uint32_t seconds);

/* Drives the light outputs (LED and relay). */
void dw_hal_light(uint8_t on);

#ifdef __cplusplus
}
#endif

#endif
