// SPDX-License-Identifier: GPL-3.0-or-later
/* The board's own timekeeping beyond the tick: the date and UTC offset a
 * set to the ms hands over, the offset changes (summer time) it applies by
 * itself, and the trim it learns from the time it counted between two such
 * sets. Portable; the clock is reached through dw_hal.h. */
#ifndef DW_TIME_H
#define DW_TIME_H

#include "protocol/daywheel_protocol.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Coming offset changes the board holds. */
#define DW_CHANGES_MAX DW_OFFSET_CHANGES
/* Intervals shorter than this teach no trim: each end may be a few ms out
 * (a reset through a bootloader), which over a shorter one is too much. */
#define DW_LEARN_MIN_S 60UL
/* Widest UTC offset taken, in minutes. */
#define DW_OFFSET_MAX 1080

/* At start, after the kept clock was restored: keeps the offsets and what
 * was learned when they survived the reset, else takes the trim from
 * EEPROM. */
void dw_time_init(void);

/* With a running clock module the module is the clock: no trim is learned
 * or applied. */
void dw_time_module(uint8_t running);

/* Before the clock is set to the ms at local time s.ms on day (DW_NO_DATE:
 * the line named none) with UTC offset offset: learns from the interval
 * since the last dated set, forgets the offset changes, starts a new
 * interval. */
void dw_time_precise_set(uint32_t s, uint16_t ms, uint16_t day, int16_t offset);

/* Before the clock is set some other way (to s, a `t` line, the module):
 * the interval teaches nothing, and changes at or before s are dropped. */
void dw_time_other_set(uint32_t s);

/* Adds a coming change: at local time minute (0..1439) of day the offset
 * becomes offset. Returns 0, or why it was refused. */
const char *dw_time_add_change(uint16_t day, uint16_t minute, int16_t offset);

/* When the clock has reached the first coming change: returns 1 with the
 * local time of day and date the clock must jump to (the ms stay). */
uint8_t dw_time_change_due(uint32_t *s, uint16_t *day);

/* Writes the offset and the coming changes to EEPROM when they changed
 * since: call when no line is coming in, since a dated set and its "o"
 * lines each change them and the write takes up to 150 ms. */
void dw_time_keep(void);

/* The UTC offset in force at noon of day, as far as the board knows its
 * changes; 0 when it knows no offset. */
uint8_t dw_time_offset_for(uint16_t day, int16_t *offset);

/* The coming changes held, and the trim applied, in ppm (rounded). */
uint8_t dw_time_changes(void);
int16_t dw_time_trim_ppm(void);

/* Parses exactly n chars "+M" or "-M" (1 to 4 digits, within
 * DW_OFFSET_MAX). Returns 1 on success. */
uint8_t dw_parse_offset(const char *p, uint8_t n, int16_t *offset);

#ifdef __cplusplus
}
#endif

#endif
