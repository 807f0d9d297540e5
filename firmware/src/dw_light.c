// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_light.h"
#include "dw_clock.h"
#include "dw_hal.h"
#include "dw_settings.h"
#include "dw_store.h"
#include "dw_time.h"
#include "dw_week.h"

#include <stddef.h>

#ifdef __AVR__
#define DW_NOINIT __attribute__((section(".noinit")))
#else
#define DW_NOINIT
#endif

/* Today's plan and, once a flip needed it, tomorrow's, kept for its date. */
static struct dw_plan plan[2];
static uint8_t made;   /* bit k: plan[k] holds the settings in force */

/* The light by hand, and its bound. A held light lives in EEPROM and
 * survives a power cut; one until a bound lives in RAM a reset leaves
 * alone, under a check, as the kept time does, and survives a reset only. */
static uint8_t mode;
static struct kept_manual {
    uint8_t mode;        /* DW_MANUAL_AUTO or DW_MANUAL_UNTIL_* */
    uint16_t day;
    uint32_t until;      /* 0..86399 */
    uint8_t layout;
    uint8_t crc;
} kept DW_NOINIT;
#define KEPT_LAYOUT 0x31U
/* A bound further ahead than the longest "for" and a day: the clock went
 * back, and a bound so far ahead would never come. */
#define BOUND_DAYS_MAX 9

static uint8_t kept_crc(void)
{
    return dw_crc8((const uint8_t *)&kept, (uint8_t)offsetof(struct kept_manual, crc));
}

static void keep(uint8_t m, uint16_t day, uint32_t s)
{
    kept.mode = m;
    kept.day = day;
    kept.until = s;
    kept.layout = KEPT_LAYOUT;
    kept.crc = kept_crc();
}

void dw_light_init(void)
{
    made = 0;
    mode = dw_held_get();
    if (mode)
        return;
    if (kept.layout == KEPT_LAYOUT && kept.crc == kept_crc() && dw_hal_clock_known() &&
        (kept.mode == DW_MANUAL_UNTIL_OFF || kept.mode == DW_MANUAL_UNTIL_ON))
        mode = kept.mode;
    else
        keep(DW_MANUAL_AUTO, 0, 0);
}

void dw_light_stale(void)
{
    made = 0;
}

void dw_light_stale_weekday(uint8_t weekday)
{
    for (uint8_t k = 0; k < 2; ++k)
        if (dw_weekday(plan[k].day) == weekday)
            made &= (uint8_t)~(1U << k);
}

static void make(struct dw_plan *p, uint16_t day)
{
    uint8_t stored[DW_PLAN_PATTERN_BYTES + 1], pattern[DW_PLAN_PATTERN_BYTES];
    const uint8_t wd = dw_weekday(day);
    dw_week_load(wd, 0, stored);
    dw_week_load(wd, 1, stored + DW_HALF_BYTES);
    /* The line's entry k is the quarter hour that ends at k x 15 minutes
     * (entry 0 the last, 23:45-24:00); the plan's quarter q the one that
     * begins at q x 15 minutes: q is entry q + 1, wrapping at 96. */
    stored[DW_PLAN_PATTERN_BYTES] = stored[0];
    for (uint8_t i = 0; i < DW_PLAN_PATTERN_BYTES; ++i)
        pattern[i] = (uint8_t)(stored[i] >> 1 | stored[i + 1] << 7);
    struct dw_dark dark;
    dw_dark_get(wd, &dark);
    struct dw_place place;
    const uint8_t has_place = dw_place_get(&place);
    int16_t offset = 0;
    const uint8_t offset_known = dw_date_known(day) && dw_time_offset_for(day, &offset);
    struct dw_away away;
    dw_away_get(&away);
    dw_plan_make(p, pattern, day, &dark, has_place ? &place : 0, offset, offset_known, &away);
}

/* The plan for day, where k (0 today, 1 tomorrow) keeps it. */
static const struct dw_plan *plan_for(uint8_t k, uint16_t day)
{
    if (!(made & (1U << k)) || plan[k].day != day) {
        if (k == 0 && (made & 2U) && plan[1].day == day)
            plan[0] = plan[1];   /* midnight: tomorrow's is today's */
        else
            make(&plan[k], day);
        made |= (uint8_t)(1U << k);
    }
    return &plan[k];
}

const struct dw_plan *dw_light_plan(void)
{
    return &plan[0];
}

uint8_t dw_light_auto(uint32_t s)
{
    return dw_plan_light(&plan[0], s);
}

uint8_t dw_light_mode(uint16_t *day, uint32_t *s)
{
    *day = kept.day;
    *s = kept.until;
    return mode;
}

void dw_light_manual(uint8_t m, uint16_t day, uint32_t s)
{
    /* the RAM first, EEPROM after: a reset between leaves the old held
     * light in force or the new one, never neither */
    const uint8_t held = m == DW_MANUAL_HELD_OFF || m == DW_MANUAL_HELD_ON;
    if (held) {
        dw_held_set(m);
        keep(DW_MANUAL_AUTO, 0, 0);
    } else {
        keep(m, day, s);
        if (mode == DW_MANUAL_HELD_OFF || mode == DW_MANUAL_HELD_ON)
            dw_held_set(0);
    }
    mode = m;
}

/* The bound for s seconds on from day and s0, s below DW_PLAN_DAY_SECONDS
 * times nine. */
static void until(uint8_t on, uint16_t day, uint32_t s)
{
    while (s >= DW_DAY_SECONDS) {
        s -= DW_DAY_SECONDS;
        ++day;
    }
    dw_light_manual(on ? DW_MANUAL_UNTIL_ON : DW_MANUAL_UNTIL_OFF, day, s);
}

void dw_light_for(uint16_t day, uint32_t s, uint8_t on, uint32_t seconds)
{
    until(on, day, s + seconds);
}

void dw_light_flip(uint16_t day, uint32_t s, uint8_t on)
{
    const struct dw_plan *today = plan_for(0, day);
    const uint8_t auto_now = dw_plan_light(today, s);
    if (on == auto_now) {
        dw_light_manual(DW_MANUAL_AUTO, 0, 0);
        return;
    }
    /* until the automatic light next changes: today, else from tomorrow's
     * midnight on, else at the end of tomorrow */
    uint32_t next = dw_plan_next_change(today, s);
    if (next >= DW_DAY_SECONDS) {
        const struct dw_plan *tomorrow = plan_for(1, (uint16_t)(day + 1U));
        next = DW_DAY_SECONDS +
               (dw_plan_light(tomorrow, 0) != auto_now ? 0 : dw_plan_next_change(tomorrow, 0));
    }
    until(on, day, next);
}

uint8_t dw_light_now(uint16_t day, uint32_t s)
{
    const uint8_t auto_now = dw_plan_light(plan_for(0, day), s);
    if (mode == DW_MANUAL_UNTIL_OFF || mode == DW_MANUAL_UNTIL_ON) {
        const int32_t ahead = (int32_t)kept.day - (int32_t)day;
        if (ahead < 0 || (ahead == 0 && s >= kept.until) || ahead > BOUND_DAYS_MAX)
            dw_light_manual(DW_MANUAL_AUTO, 0, 0);
    }
    return mode ? (uint8_t)(mode & 1U) : auto_now;
}
