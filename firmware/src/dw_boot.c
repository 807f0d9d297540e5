// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_boot.h"
#include "dw_clock.h"
#include "dw_store.h"

#include <stddef.h>
#include <string.h>

#define BOOT_LAYOUT 1U

/* Optiboot (4.4 on the Uno; 8 keeps the same wait) holds the chip for:
 *  - the chip's reset time-out, 8K watchdog cycles with the Uno's and the
 *    Nano's fuses (SUT = 11, "14 CK + 65 ms");
 *  - three LED flashes, six times 976 Timer1 ticks of 1024 crystal cycles
 *    (its few instructions around them are a microsecond);
 *  - its wait for the host, a 1 s watchdog time-out (128K cycles) that ends
 *    in a watchdog reset, and that reset's time-out (8K cycles);
 *  - its jump into the firmware and the firmware's start-up code, timed
 *    by a jump to the firmware's own start (timed_us).
 * 147456 watchdog cycles in all: 9/4 of the 65536 measured (in half-µs,
 * hence 9/8 in µs). */
#define OPTIBOOT_FLASH_US 374784UL
/* Another bootloader (ATmegaBOOT: an LED flash of 200 ms and a count to
 * 1,000,000 whose length depends on the compiler that built it) is timed
 * by a jump into it, start-up code included; a reset adds its time-out,
 * 8K watchdog cycles: an eighth of the 65536 measured. */
/* A bootloader's hold in Timer1 ticks (64 µs): two jumps that agree
 * within TICKS_AGREE, each at least TICKS_MIN (one that goes on to the
 * firmware at once, since it looks at the reset cause, times nothing). */
#define TICK_US 64U
#define TICKS_MIN 1563U   /* 100 ms */
#define TICKS_AGREE 2U
#define TRIES_MAX 4U

static uint8_t boot_crc(const struct dw_boot *b)
{
    return dw_crc8((const uint8_t *)b, offsetof(struct dw_boot, crc));
}

uint8_t dw_boot_kind(uint8_t last_byte, uint16_t loader)
{
    if (last_byte >= 4U && last_byte != 0xFFU)
        return DW_BOOT_OPTIBOOT;
    return loader ? DW_BOOT_TIMED : DW_BOOT_NONE;
}

/* What the timing jump now over measured. */
static void timed(struct dw_boot *b, uint8_t *flags, uint16_t ticks, uint8_t overflowed)
{
    if (b->step == DW_BOOT_TIME_SELF) {
        /* clk/8: half-µs */
        b->timed_us = ticks / 2U;
        b->spent_us += ticks / 2U;
        return;
    }
    if (*flags || overflowed || ticks < TICKS_MIN) {
        /* a reset, or a bootloader that never came back on its own: its time
         * is lost, its causes count */
        b->flags |= *flags;
        return;
    }
    b->spent_us += (uint32_t)ticks * TICK_US;
    const uint16_t apart = ticks > b->first ? ticks - b->first : b->first - ticks;
    if (apart <= TICKS_AGREE)
        b->timed_us = ((uint32_t)ticks + b->first) * (TICK_US / 2U);
    else
        b->first = ticks;   /* a byte from the host may have held it: once more */
}

uint8_t dw_boot_start(struct dw_boot *b, uint8_t kind, uint8_t *flags, uint16_t ticks, uint8_t overflowed)
{
    if (b->layout != BOOT_LAYOUT || b->crc != boot_crc(b) || b->kind != kind) {
        /* RAM after power-up, another firmware, another bootloader */
        memset(b, 0, sizeof *b);
        b->kind = kind;
        b->layout = BOOT_LAYOUT;
    }
    if (b->step != DW_BOOT_GO) {
        timed(b, flags, ticks, overflowed);
    } else {
        b->flags = *flags;
        b->spent_us = 0;
    }
    b->step = DW_BOOT_GO;
    if (!b->timed_us && b->tries < TRIES_MAX && kind != DW_BOOT_NONE) {
        b->step = kind == DW_BOOT_OPTIBOOT ? DW_BOOT_TIME_SELF : DW_BOOT_TIME_LOADER;
        ++b->tries;
    }
    *flags = b->flags;
    b->crc = boot_crc(b);
    return b->step;
}

uint32_t dw_boot_hold_us(const struct dw_boot *b)
{
    const uint32_t wdt = b->wdt ? b->wdt : DW_WDT_NOMINAL;
    uint32_t hold = DW_BOOT_HOLD_MS * 1000UL;
    if (b->timed_us && b->kind == DW_BOOT_OPTIBOOT)
        hold = OPTIBOOT_FLASH_US + b->timed_us + wdt / 8U * 9U;
    else if (b->timed_us)
        hold = b->timed_us + wdt / 16U;
    return hold + b->spent_us + b->init / 2U + 500U;
}

void dw_boot_ticking(struct dw_boot *b, uint16_t half_us)
{
    b->init = half_us;
    b->crc = boot_crc(b);
}

void dw_boot_watchdog(struct dw_boot *b, uint32_t half_us)
{
    if (half_us < DW_WDT_NOMINAL / 2U || half_us > DW_WDT_NOMINAL * 2U)
        return;
    b->wdt = half_us;
    b->crc = boot_crc(b);
}
