// SPDX-License-Identifier: GPL-3.0-or-later
/* One day's plan (see dw_plan.h). The plan keeps only the pattern, the day
 * and the dark limits; away's moved edges are worked out again wherever
 * they are needed, each from the pattern near it alone, so the struct stays
 * small and the board keeps no edges. The board asks for the light every
 * second: that costs a look at the pattern and a few edges near s. */
#include "plan/dw_plan.h"

#include <string.h>

#define QUARTER ((int32_t)900)
#define QUARTERS 96U
#define LAST_DAY 36524U   /* 2099-12-31 */
/* An edge moves at most DW_AWAY_MAX minutes, 4 quarter hours: looking 9
 * quarter hours either way finds every neighbour that can limit it (a gap
 * of 9 allows more than an hour). */
#define NEIGHBOUR_REACH 9U

static uint8_t on(const struct dw_plan *plan, uint8_t q)
{
    return (uint8_t)((plan->pattern[q >> 3] >> (q & 7U)) & 1U);
}

/* Whether boundary k (1..95, the start of quarter k) changes the light. */
static uint8_t is_edge(const struct dw_plan *plan, uint8_t k)
{
    return on(plan, (uint8_t)(k - 1U)) != on(plan, k);
}

/* Quarter hours from edge k to the nearest edge (or 00:00, 24:00) on one
 * side, NEIGHBOUR_REACH when none is that near. */
static uint8_t gap(const struct dw_plan *plan, uint8_t k, int8_t side)
{
    for (uint8_t j = 1; j < NEIGHBOUR_REACH; j++) {
        const int16_t b = (int16_t)(k + side * (int16_t)j);
        if (b <= 0 || b >= (int16_t)QUARTERS || is_edge(plan, (uint8_t)b)) {
            return j;
        }
    }
    return NEIGHBOUR_REACH;
}

/* A small integer hash: the same numbers give the same value everywhere.
 * unsigned arithmetic wraps (16 bits on the board, the low 16 kept on the
 * host). */
static uint16_t mix(uint16_t a, uint16_t b)
{
    uint16_t x = (uint16_t)((unsigned)a * 0x9E37U) ^ (uint16_t)((unsigned)b * 0x7F4BU + 0x3C6EU);
    x ^= (uint16_t)(x >> 7);
    x = (uint16_t)((unsigned)x * 0xB5ADU);
    x ^= (uint16_t)(x >> 8);
    x = (uint16_t)((unsigned)x * 0x2C1BU);
    x ^= (uint16_t)(x >> 7);
    return x;
}

/* The seconds edge k moves by while away. Its range -r..r is cut into
 * seven bins; the edge's bin goes round all seven in an order of its own (a
 * step of 1..6, prime to 7) as the days go, so seven days in a row never
 * share one, and the seconds within the bin come from the day. */
static int16_t away_move(const struct dw_plan *plan, uint8_t k)
{
    /* Less than half the way to either neighbour: two edges moving towards
     * each other still leave a second between them. */
    uint16_t r = (uint16_t)(plan->away * 60U);
    const uint8_t before = gap(plan, k, -1);
    const uint8_t after = gap(plan, k, 1);
    const uint8_t near = before < after ? before : after;
    const uint16_t half = (uint16_t)(((uint16_t)near * (uint16_t)QUARTER - 1U) / 2U);
    if (half < r) {
        r = half;
    }
    const uint16_t width = (uint16_t)(2U * r + 1U);   /* at least 121: every bin holds 17 */
    const uint16_t step = (uint16_t)(1U + mix(k, 0x5A5AU) % 6U);
    const uint16_t bin = (uint16_t)((step * (plan->day % 7U) + mix(k, 0xA5A5U) % 7U) % 7U);
    const uint16_t from = (uint16_t)(bin * width / 7U);
    const uint16_t to = (uint16_t)((bin + 1U) * width / 7U);
    const uint16_t within = (uint16_t)(mix(plan->day, k) % (uint16_t)(to - from));
    return (int16_t)((int16_t)(from + within) - (int16_t)r);
}

/* Where edge k falls on the plan's day, in seconds. */
static int32_t edge_time(const struct dw_plan *plan, uint8_t k)
{
    int16_t by = 0;
    if (plan->away != 0U) {
        by = away_move(plan, k);
    }
    return (int32_t)k * QUARTER + by;
}

/* The first edge from boundary k on that falls after second s (96 when
 * none), and its time in *t (a day's length when none). Edges keep their
 * order when they move. */
static uint8_t edge_after(const struct dw_plan *plan, uint8_t k, int32_t s, int32_t *t)
{
    for (; k < QUARTERS; k++) {
        if (is_edge(plan, k)) {
            *t = edge_time(plan, k);
            if (*t > s) {
                return k;
            }
        }
    }
    *t = DW_PLAN_DAY_SECONDS;
    return QUARTERS;
}

/* The first boundary whose edge may fall after s: an edge 4 quarter hours
 * or more before s's quarter lies before s however it moves. */
static uint8_t first_boundary(int32_t s)
{
    const uint8_t q = (uint8_t)(s / QUARTER);
    return q > 4U ? (uint8_t)(q - 3U) : 1U;
}

static uint8_t dark_at(const struct dw_plan *plan, int32_t s)
{
    return plan->dark == 0U || s < plan->light_from || s >= plan->dark_from;
}

static int32_t within_day(int32_t s)
{
    return s < 0 ? 0 : s > DW_PLAN_DAY_SECONDS ? DW_PLAN_DAY_SECONDS : s;
}

static int8_t shift(int8_t minutes)
{
    return minutes > DW_DARK_SHIFT_MAX ? DW_DARK_SHIFT_MAX
         : minutes < -DW_DARK_SHIFT_MAX ? -DW_DARK_SHIFT_MAX : minutes;
}

void dw_plan_make(struct dw_plan *plan, const uint8_t *pattern, uint16_t day, const struct dw_dark *dark,
                  const struct dw_place *place, int16_t utc_offset, uint8_t offset_known,
                  const struct dw_away *away)
{
    const uint8_t dated = day <= LAST_DAY;
    memcpy(plan->pattern, pattern, DW_PLAN_PATTERN_BYTES);
    plan->day = day;

    plan->away = 0;
    if (away != 0 && away->minutes != 0U) {
        const uint8_t in_force = dated ? (away->first == DW_PLAN_NO_DATE || away->first <= day)
                                             && (away->last == DW_PLAN_NO_DATE || day <= away->last)
                                       : away->first == DW_PLAN_NO_DATE && away->last == DW_PLAN_NO_DATE;
        if (in_force) {
            plan->away = away->minutes > DW_AWAY_MAX ? (uint8_t)DW_AWAY_MAX : away->minutes;
        }
    }

    plan->dark = 0;
    plan->dark_ignored = DW_PLAN_DARK_USED;
    plan->light_from = 0;
    plan->dark_from = DW_PLAN_DAY_SECONDS;
    if (dark == 0 || (dark->mode != DW_DARK_SUN && dark->mode != DW_DARK_TWILIGHT)) {
        return;
    }
    if (place == 0) {
        plan->dark_ignored = DW_PLAN_NO_PLACE;
        return;
    }
    if (!dated || !offset_known) {
        plan->dark_ignored = DW_PLAN_NO_DATE_KNOWN;
        return;
    }
    int32_t rise = 0;
    int32_t set = 0;
    const uint8_t kind = dw_sun_times(day, *place, utc_offset,
                                      dark->mode == DW_DARK_TWILIGHT ? DW_TWILIGHT_CIVIL : DW_TWILIGHT_SUNSET,
                                      &rise, &set);
    plan->dark = 1;
    if (kind == DW_SUN_NEVER_RISES) {
        plan->light_from = DW_PLAN_DAY_SECONDS;
        plan->dark_from = 0;
    } else if (kind == DW_SUN_RISES_AND_SETS) {
        plan->light_from = within_day(rise + (int32_t)shift(dark->dawn) * 60);
        plan->dark_from = within_day(set + (int32_t)shift(dark->dusk) * 60);
    }
}

uint8_t dw_plan_light(const struct dw_plan *plan, uint32_t s)
{
    const int32_t at = s < (uint32_t)DW_PLAN_DAY_SECONDS ? (int32_t)s : DW_PLAN_DAY_SECONDS - 1;
    int32_t next;
    const uint8_t k = edge_after(plan, first_boundary(at), at, &next);
    return on(plan, (uint8_t)(k - 1U)) && dark_at(plan, at);
}

uint32_t dw_plan_next_change(const struct dw_plan *plan, uint32_t s)
{
    if (s >= (uint32_t)DW_PLAN_DAY_SECONDS - 1U) {
        return (uint32_t)DW_PLAN_DAY_SECONDS;
    }
    int32_t t = (int32_t)s;
    int32_t edge;
    uint8_t k = edge_after(plan, first_boundary(t), t, &edge);
    uint8_t program = on(plan, (uint8_t)(k - 1U));
    const uint8_t was = program && dark_at(plan, t);
    /* Walk the moments the light may change at, in order: the moved edges
     * and the two dark limits. */
    for (;;) {
        int32_t n = edge;
        if (plan->dark) {
            if (plan->light_from > t && plan->light_from < n) {
                n = plan->light_from;
            }
            if (plan->dark_from > t && plan->dark_from < n) {
                n = plan->dark_from;
            }
        }
        if (n >= DW_PLAN_DAY_SECONDS) {
            return (uint32_t)DW_PLAN_DAY_SECONDS;
        }
        if (n == edge) {
            program = on(plan, k);
            k = edge_after(plan, (uint8_t)(k + 1U), n, &edge);
        }
        if ((program && dark_at(plan, n)) != was) {
            return (uint32_t)n;
        }
        t = n;
    }
}
