// SPDX-License-Identifier: GPL-3.0-or-later
/* The week the board runs: a day of 96 quarter hours for each weekday, in
 * EEPROM through dw_store.h, and the weekday it ran last. Portable.
 *
 * An "a"/"b" line stores its half for all seven days by writing the
 * every-day record (0 or 1) alone, as the firmware before the week did; a
 * weekday's own record (a "w" line) counts only while the every-day record
 * still holds the copy it was stored over. So a store for every day costs
 * one record's writes, a power cut leaves all seven days old or all seven
 * new, and a board whose week records are empty (an upgrade) runs its
 * every-day halves on every weekday. */
#ifndef DW_WEEK_H
#define DW_WEEK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Fills bits (DW_HALF_BYTES) with weekday's (0 Monday .. 6 Sunday) half 0
 * or 1 as it runs. Returns 1 if it was ever stored; else it is all off. */
uint8_t dw_week_load(uint8_t weekday, uint8_t half, uint8_t *bits);

/* A "w" line: weekday's half. Writes nothing when it runs these bits. */
void dw_week_save(uint8_t weekday, uint8_t half, const uint8_t *bits);

/* An "a"/"b" line: the half for every weekday. Writes nothing when every
 * weekday runs these bits. */
void dw_week_save_all(uint8_t half, const uint8_t *bits);

/* How many of the week's 14 halves were ever stored. */
uint8_t dw_week_stored(void);

/* The weekday the board ran last (0, Monday, when it never kept one), and
 * keeping it (nothing is written when EEPROM names it already). */
uint8_t dw_week_last_run(void);
void dw_week_keep_run(uint8_t weekday);

#ifdef __cplusplus
}
#endif

#endif
