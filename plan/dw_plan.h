// SPDX-License-Identifier: GPL-3.0-or-later
/* What the light does on one day, worked out from state alone: the day's
 * program of 96 quarter hours, the date, the sun's times there (dw_sun.h)
 * and the settings "only while it is dark" and "away". Portable C, run by
 * the board to drive the light and by the desktop program to show what the
 * board will do: one source, one answer.
 *
 * Only in the dark: where the program says on, the light is on only before
 * dawn (sunrise moved by the dawn offset) and from dusk (sunset moved by the
 * dusk offset) on; a day the sun never rises is dark all day, a day it
 * never sets light all day (off wherever dark is asked for).
 *
 * Away: every edge of the day's program (a change between two quarter
 * hours; 00:00 and 24:00 are not edges) moves by its own number of seconds,
 * drawn from the date and the edge's place so that the same day always
 * gives the same edges. An edge moves less than half the way to either
 * neighbouring edge, so an on-period never vanishes, never swaps its ends
 * and never runs into the next; within that, by up to the chosen minutes.
 * Each edge falls in one of seven bins of its range by the date, the bins
 * of seven days in a row all different: no two of seven days in a row are
 * alike. Away moves the program's edges, then the dark limits them. */
#ifndef DW_PLAN_H
#define DW_PLAN_H

#include "plan/dw_sun.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DW_PLAN_DAY_SECONDS 86400L
/* 96 entries, bit k of byte k / 8 (its bit k % 8); entry k is the quarter
 * hour from k x 15 minutes after midnight on (entry 0 00:00-00:15, entry 95
 * 23:45-24:00). */
#define DW_PLAN_PATTERN_BYTES 12U
#define DW_PLAN_NO_DATE 0xFFFFU

/* "Only while it is dark" for one weekday. */
enum { DW_DARK_OFF = 0, DW_DARK_SUN = 1, DW_DARK_TWILIGHT = 2 };
#define DW_DARK_SHIFT_MAX 120   /* minutes either way */
struct dw_dark {
    uint8_t mode;   /* DW_DARK_OFF, or dark below DW_DARK_SUN (sunset) or
                       DW_DARK_TWILIGHT (civil twilight) */
    int8_t dusk;    /* minutes the evening edge moves, positive later */
    int8_t dawn;    /* minutes the morning edge moves, positive later */
};

/* Away: edges move by up to minutes (1..60; 0: not away) on the days from
 * first to last, both included (DW_PLAN_NO_DATE: open on that side). */
#define DW_AWAY_MAX 60U
struct dw_away {
    uint8_t minutes;
    uint16_t first;
    uint16_t last;
};

/* Why a day limited to the dark follows its plain program. */
enum { DW_PLAN_DARK_USED = 0, DW_PLAN_NO_PLACE = 1, DW_PLAN_NO_DATE_KNOWN = 2 };

/* One day's plan, made once per date (the sun is worked out in
 * dw_plan_make, nowhere else). */
struct dw_plan {
    uint8_t pattern[DW_PLAN_PATTERN_BYTES];
    uint16_t day;           /* the day it was made for */
    uint8_t away;           /* minutes in force this day, 0: none */
    uint8_t dark;           /* 1: limited to the dark below */
    uint8_t dark_ignored;   /* DW_PLAN_NO_PLACE / DW_PLAN_NO_DATE_KNOWN when
                               the setting asks for the dark and the plan
                               cannot know it; else DW_PLAN_DARK_USED */
    int32_t light_from;     /* dawn with its offset: dark before it */
    int32_t dark_from;      /* dusk with its offset: dark from it on */
    /* Both within 0..DW_PLAN_DAY_SECONDS, dark where s < light_from or
     * s >= dark_from (all day when the offsets bring them past each other).
     * A day the sun never rises: DW_PLAN_DAY_SECONDS and 0; never sets, or
     * dark 0: 0 and DW_PLAN_DAY_SECONDS. */
};

/* Makes day's plan. pattern: the day's program, DW_PLAN_PATTERN_BYTES.
 * day: days since 2000-01-01 (DW_PLAN_NO_DATE or beyond 2099-12-31 when the
 * date is not known: no sun, and away only when it has no dates; the
 * number still draws away's edges). dark: that weekday's setting. place: 0
 * when none is known. utc_offset: minutes east of UTC that day, ignored
 * when offset_known is 0 (then the sun is not known either). away: 0 or
 * the setting. */
void dw_plan_make(struct dw_plan *plan, const uint8_t *pattern, uint16_t day, const struct dw_dark *dark,
                  const struct dw_place *place, int16_t utc_offset, uint8_t offset_known,
                  const struct dw_away *away);

/* Whether the light is on at second s (0..86399) of the plan's day. */
uint8_t dw_plan_light(const struct dw_plan *plan, uint32_t s);

/* The first second after s at which dw_plan_light differs from its value
 * at s; DW_PLAN_DAY_SECONDS when it holds until midnight. Walks the day's
 * edges from s on: a few ms on the board on a day with many edges. */
uint32_t dw_plan_next_change(const struct dw_plan *plan, uint32_t s);

#ifdef __cplusplus
}
#endif

#endif
