// SPDX-License-Identifier: GPL-3.0-or-later
/* What drives the light: today's plan (dw_plan.h) made once per date from
 * the week, the dark settings, the place, away and the UTC offset, and the
 * light switched by hand over it. Portable. */
#ifndef DW_LIGHT_H
#define DW_LIGHT_H

#include "plan/dw_plan.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The light by hand: automatic, on or off until a bound (a day and a
 * second), or on or off held. Bit 0 is the light. */
enum {
    DW_MANUAL_AUTO = 0,
    DW_MANUAL_HELD_OFF = 2,   /* as dw_held_get names them */
    DW_MANUAL_HELD_ON = 3,
    DW_MANUAL_UNTIL_OFF = 4,
    DW_MANUAL_UNTIL_ON = 5
};

/* At start, the kept time restored: the held light from EEPROM, else the
 * one until a bound that a reset kept (a cold start forgets it). */
void dw_light_init(void);

/* The week, a dark setting, the place, away or the offset changed: the
 * plans are made again at the next dw_light_now. */
void dw_light_stale(void);
/* Only one weekday's setting changed: only a plan for that weekday is
 * made again (seven "d" lines back to back make at most two). */
void dw_light_stale_weekday(uint8_t weekday);

/* The light at second s of day; makes the day's plan when it has none
 * for it, and ends a manual light whose bound the clock reached. */
uint8_t dw_light_now(uint16_t day, uint32_t s);

/* The automatic light at day and s (after dw_light_now for them). */
uint8_t dw_light_auto(uint32_t s);

/* Today's plan, as dw_light_now made it. */
const struct dw_plan *dw_light_plan(void);

/* The light on (1) or off (0) by hand at day and s until the automatic
 * light next changes (up to the end of tomorrow); the same as the
 * automatic light: automatic. */
void dw_light_flip(uint16_t day, uint32_t s, uint8_t on);
/* On or off for seconds from day and s. */
void dw_light_for(uint16_t day, uint32_t s, uint8_t on, uint32_t seconds);
/* One of DW_MANUAL_*: DW_MANUAL_AUTO, DW_MANUAL_HELD_*, or one until
 * day and s. */
void dw_light_manual(uint8_t mode, uint16_t day, uint32_t s);

/* What is in force: DW_MANUAL_*, with the bound in *day and *s. */
uint8_t dw_light_mode(uint16_t *day, uint32_t *s);

#ifdef __cplusplus
}
#endif

#endif
