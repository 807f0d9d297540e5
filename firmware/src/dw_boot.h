// SPDX-License-Identifier: GPL-3.0-or-later
/* How long a reset holds the chip before the firmware runs again, from the
 * bootloader it sits behind, so that the time the clock adds back is the
 * time that passed and the trim learns the board's drift, not the
 * bootloader's. Portable: the start-up code (hw_boot.c) reads the flash,
 * makes the timing jumps and measures the watchdog oscillator. */
#ifndef DW_BOOT_H
#define DW_BOOT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The bootloader, as its boot section shows it. */
#define DW_BOOT_NONE 0U       /* none found: DW_BOOT_HOLD_MS is added */
#define DW_BOOT_OPTIBOOT 1U   /* a version word at the end of flash */
#define DW_BOOT_TIMED 2U      /* another (ATmegaBOOT): a jump into it is timed */

/* What the start-up code does next. */
#define DW_BOOT_GO 0U           /* start the firmware */
#define DW_BOOT_TIME_SELF 1U    /* time its own start-up code: Timer1 at clk/8, a jump to 0 */
#define DW_BOOT_TIME_LOADER 2U  /* time the bootloader: Timer1 at clk/1024, a jump into it */

/* 65536 cycles of the watchdog's 128 kHz oscillator in crystal half-µs
 * (8 cycles), as the data sheet gives it. */
#define DW_WDT_NOMINAL 1024000UL

/* Kept in RAM a reset leaves alone, over the timing jumps and the resets
 * whose holds it tells. */
struct dw_boot {
    uint32_t wdt;       /* 65536 watchdog cycles in half-µs as last measured; 0: not yet */
    uint32_t timed_us;  /* the bootloader's hold timed (Optiboot: the start-up code's); 0: not */
    uint32_t spent_us;  /* the timing jumps since the reset that began them */
    uint16_t first;     /* a bootloader's time in Timer1 ticks, for a second to agree with */
    uint16_t init;      /* half-µs from the timing read to the tick's start, last start */
    uint8_t kind;
    uint8_t step;       /* the timing jump under way, or DW_BOOT_GO */
    uint8_t tries;
    uint8_t flags;      /* that reset's causes */
    uint8_t layout;
    uint8_t crc;
};

/* The bootloader from the byte at the end of flash (Optiboot's major
 * version there) and the lowest boot section start holding code (0: none). */
uint8_t dw_boot_kind(uint8_t last_byte, uint16_t loader);

/* At start, before the clock: kind as the flash shows it, *flags this
 * start's reset causes, and what Timer1 counted (ticks, overflowed: it
 * wrapped) when a timing jump was under way. Returns the next step; at
 * DW_BOOT_GO *flags are the causes of the reset that began the jumps. */
uint8_t dw_boot_start(struct dw_boot *b, uint8_t kind, uint8_t *flags, uint16_t ticks, uint8_t overflowed);

/* What the last reset cost the clock, in µs: the bootloader's hold, the
 * timing jumps since, the start-up after the timing read (as the last start
 * took it) and half a millisecond, what the tick had counted of the
 * millisecond the reset cut short, on average. */
uint32_t dw_boot_hold_us(const struct dw_boot *b);

/* The tick starts half_us after the timing read. */
void dw_boot_ticking(struct dw_boot *b, uint16_t half_us);

/* The watchdog oscillator measured against the crystal: 65536 of its
 * cycles took half_us. Out of all reason (below 64 kHz, above 256 kHz) it
 * is not taken. */
void dw_boot_watchdog(struct dw_boot *b, uint32_t half_us);

#ifdef __cplusplus
}
#endif

#endif
