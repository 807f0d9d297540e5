// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_time.h"
#include "dw_clock.h"
#include "dw_hal.h"
#include "dw_store.h"

#include <stddef.h>
#include <string.h>

#ifdef __AVR__
#define DW_NOINIT __attribute__((section(".noinit")))
#else
#define DW_NOINIT
#endif

/* A trim learned from this long counts as settled: a new interval far
 * from it is an outlier. Longer learning is capped so that a resonator that
 * ages is still followed. */
#define SETTLED_S 3600UL
#define WEIGHT_MAX_S (30UL * DW_DAY_SECONDS)
/* The longest span of seconds whose ms, with a second's worth more, fit 32 bits. */
#define SPAN_IN_MS ((UINT32_MAX - 999UL) / 1000UL)
/* Outliers: this far from the settled trim, in hundredths of a ppm, plus
 * 200 ms (a fifth of a second) over the interval for its two ends. */
#define OUTLIER_BASE 20000UL
#define OUTLIER_ENDS_PART 5U
/* The trim goes to EEPROM when it moved by 1 ppm, at most once an hour:
 * its cells take 100,000 writes. */
#define STORE_STEP 100L
#define STORE_EVERY_S 3600UL
/* 0x71 held the trim in floating point, 0x72 knew no EEPROM copy */
#define ZONE_LAYOUT 0x73U

struct change {
    uint16_t day;
    uint16_t minute;
    int16_t offset;
};

/* In RAM a reset leaves alone, like the clock: the port's every open resets
 * the board, and an interval spans such resets. A reset while this is
 * written loses it (the check fails): the trim then comes from EEPROM and
 * the next set hands the offsets over again. */
static struct zone {
    uint32_t set_abs;        /* the last dated set: seconds since 2000-01-01 00:00 UTC */
    uint16_t set_ms;
    uint8_t set_valid;       /* set_abs names the start of the running interval */
    /* from here to the changes' end: the bytes EEPROM keeps (dw_time_keep) */
    int16_t offset;          /* minutes east of UTC now */
    uint8_t offset_known;
    uint8_t changes;
    struct change change[DW_CHANGES_MAX];
    int32_t trim;            /* hundredths of a ppm */
    uint32_t weight;         /* seconds it was learned from */
    int32_t stored_trim;     /* what EEPROM holds */
    uint32_t stored_abs;     /* when it was written; 0: not since a cold start */
    uint8_t unsaved;         /* the offset or the changes differ from EEPROM's */
    uint8_t layout;
    uint8_t crc;
} zone DW_NOINIT;

static uint8_t module_running;

static uint8_t zone_crc(void)
{
    return dw_crc8((const uint8_t *)&zone, offsetof(struct zone, crc));
}

static void save(void)
{
    zone.crc = zone_crc();
}

/* The offset and the changes changed: EEPROM follows (dw_time_keep). */
static void changed(void)
{
    zone.unsaved = 1;
    save();
}

/* The offset and the changes as EEPROM keeps them: their bytes in RAM. */
#define ZONE_KEPT ((uint8_t *)&zone.offset)
_Static_assert(offsetof(struct zone, change) + sizeof zone.change - offsetof(struct zone, offset) == DW_ZONE_PAYLOAD,
               "the zone record holds the offset and the changes");

static void apply_trim(void)
{
    dw_hal_clock_trim(module_running ? 0 : zone.trim);
}

void dw_time_init(void)
{
    if (zone.layout != ZONE_LAYOUT || zone.crc != zone_crc() || !dw_hal_clock_known()) {
        uint8_t rec[DW_HALF_BYTES];
        dw_store_load(DW_STORE_TRIM, rec);
        int32_t trim = (int32_t)((uint32_t)rec[0] | (uint32_t)rec[1] << 8 | (uint32_t)rec[2] << 16 |
                                 (uint32_t)rec[3] << 24);
        if (trim > DW_TRIM_MAX || trim < -DW_TRIM_MAX)
            trim = 0;
        memset(&zone, 0, sizeof zone);
        zone.trim = trim;
        zone.stored_trim = trim;
        zone.weight = ((uint32_t)rec[4] | (uint32_t)rec[5] << 8) * 60UL;
        /* the offset and its changes as last kept: a board whose clock
         * module gives the date knows its local time after a power cut, and
         * applies the changes that came while it was off */
        dw_store_load(DW_STORE_ZONE, ZONE_KEPT);
        if (zone.offset_known != 1U || zone.offset > DW_OFFSET_MAX || zone.offset < -DW_OFFSET_MAX ||
            zone.changes > DW_CHANGES_MAX)
            zone.offset_known = zone.changes = 0;
        zone.layout = ZONE_LAYOUT;
        save();
    }
    module_running = 0;
    apply_trim();
}

void dw_time_module(uint8_t running)
{
    module_running = running;
    apply_trim();
}

/* a * m / c for a <= c, rounded to nearest when round is set, else down:
 * the 64-bit product is never formed, since 64-bit arithmetic costs the
 * chip far more flash than this. Exact for c below 2^31; above, a and c
 * lose their last bit, which moves the result by at most m / 2^30. */
static uint32_t mul_div(uint32_t a, uint32_t m, uint32_t c, uint8_t round)
{
    if ((int32_t)c < 0) {
        a >>= 1;
        c >>= 1;
    }
    /* q * c + r is a times the bits of m taken so far, r below c. m's
     * untaken bits go out at the top as q's come in at the bottom. */
    uint32_t r = 0;
    for (uint8_t n = 32; n; --n) {
        const uint8_t take = (int32_t)m < 0;
        m <<= 1;
        r <<= 1;
        if (r >= c) {
            r -= c;
            ++m;
        }
        if (take) {
            r += a;
            if (r >= c) {
                r -= c;
                ++m;
            }
        }
    }
    return m + (round && r >= c - r);
}

static uint32_t magnitude(int32_t v)
{
    return v < 0 ? 0U - (uint32_t)v : (uint32_t)v;
}

/* What the interval since the last dated set teaches, ending at the host's
 * instant abs.ms. */
static void learn(uint32_t abs, uint16_t ms)
{
    uint16_t run_ms;
    const uint32_t run_s = dw_hal_run_get(&run_ms);
    if (module_running || !zone.set_valid || run_s == DW_NO_RUN || run_s < DW_LEARN_MIN_S || abs < zone.set_abs)
        return;
    /* host seconds less counted ones: more than 1.5 % is no resonator but
     * a host clock that jumped */
    const int32_t d = (int32_t)(abs - zone.set_abs - run_s);
    const int32_t slack = (int32_t)(run_s / 64U) + 2;
    if (d > slack || d < -slack)
        return;
    /* The interval and the weight in ms while both fit 32 bits together
     * (19 days at full weight, 49 without), else in 10 ms, 100 ms or 1 s:
     * so long an interval is at least 170,000 such units, and got stays
     * within a hundredth of a ppm of exact. */
    const uint32_t span = run_s + zone.weight;
    const uint16_t unit_ms = span <= SPAN_IN_MS ? 1U : span <= SPAN_IN_MS * 10U ? 10U : span <= SPAN_IN_MS * 100U ? 100U : 1000U;
    const uint16_t per_s = (uint16_t)(1000U / unit_ms);
    const uint32_t counted = run_s * per_s + run_ms / unit_ms;
    /* host time less counted time, in units: the ms parts 2 s up so that
     * their division rounds down */
    const int32_t host_less_counted =
        (d - 2) * (int32_t)per_s + (uint16_t)(ms + 2000U - zone.set_ms - run_ms) / unit_ms;
    /* got = host_less_counted * DW_TRIM_ONE / counted, within DW_TRIM_MAX */
    const uint32_t off_by = magnitude(host_less_counted);
    if (off_by > counted / (uint32_t)(DW_TRIM_ONE / DW_TRIM_MAX))
        return;
    const uint32_t got_mag = mul_div(off_by, (uint32_t)DW_TRIM_ONE, counted, 1);
    const int32_t got = host_less_counted < 0 ? -(int32_t)got_mag : (int32_t)got_mag;
    const int32_t off = got - zone.trim;
    if (zone.weight >= SETTLED_S &&
        magnitude(off) > OUTLIER_BASE + mul_div(per_s / OUTLIER_ENDS_PART, (uint32_t)DW_TRIM_ONE, counted, 0))
        return;
    /* the mean of the trim so far and got, weighted by their seconds */
    const uint32_t step = mul_div(counted, magnitude(off), zone.weight * per_s + counted, 1);
    zone.trim += off < 0 ? -(int32_t)step : (int32_t)step;
    zone.weight = zone.weight + run_s > WEIGHT_MAX_S ? WEIGHT_MAX_S : zone.weight + run_s;
}

static void store(uint32_t abs)
{
    const int32_t trim = zone.trim;
    if ((trim - zone.stored_trim < STORE_STEP && zone.stored_trim - trim < STORE_STEP) ||
        (zone.stored_abs && abs - zone.stored_abs < STORE_EVERY_S))
        return;
    const uint16_t minutes = (uint16_t)(zone.weight / 60U);
    const uint8_t rec[DW_HALF_BYTES] = {(uint8_t)trim, (uint8_t)(trim >> 8), (uint8_t)(trim >> 16),
                                        (uint8_t)(trim >> 24), (uint8_t)minutes, (uint8_t)(minutes >> 8)};
    dw_store_save(DW_STORE_TRIM, rec);
    zone.stored_trim = trim;
    zone.stored_abs = abs;
}

static uint32_t minute_key(uint16_t day, uint16_t minute)
{
    return (uint32_t)day * 1440UL + minute;
}

void dw_time_other_set(uint32_t s)
{
    zone.set_valid = 0;
    dw_hal_run_from(DW_NO_RUN);
    /* a change the new time is already past was made by whoever set it */
    const uint32_t now = minute_key(dw_hal_clock_day(), (uint16_t)(s / 60U));
    uint8_t n = 0;
    for (uint8_t k = 0; k < zone.changes; ++k)
        if (minute_key(zone.change[k].day, zone.change[k].minute) > now)
            zone.change[n++] = zone.change[k];
    if (n != zone.changes) {
        zone.changes = n;
        changed();
    }
    save();
}

void dw_time_precise_set(uint32_t s, uint16_t ms, uint16_t day, int16_t offset)
{
    if (day == DW_NO_DATE) {
        dw_time_other_set(s);
        return;
    }
    const uint32_t abs = (uint32_t)day * DW_DAY_SECONDS + s - (int32_t)offset * 60L;
    learn(abs, ms);
    store(abs);
    zone.set_abs = abs;
    zone.set_ms = ms;
    zone.set_valid = !module_running;
    if (zone.offset != offset || !zone.offset_known || zone.changes)
        zone.unsaved = 1;
    zone.offset = offset;
    zone.offset_known = 1;
    zone.changes = 0;
    dw_hal_run_from(module_running ? DW_NO_RUN : 0);
    save();
    apply_trim();
}

const char *dw_time_add_change(uint16_t day, uint16_t minute, int16_t offset)
{
    const uint16_t today = dw_hal_clock_day();
    if (!zone.offset_known || !dw_date_known(today))
        return DW_REFUSED_NO_DATE;
    if (zone.changes >= DW_CHANGES_MAX)
        return DW_REFUSED_TOO_MANY;
    /* in order, each after the one before and after now */
    const uint32_t after = zone.changes ? minute_key(zone.change[zone.changes - 1U].day, zone.change[zone.changes - 1U].minute)
                                        : minute_key(today, (uint16_t)(dw_hal_clock_get() / 60U));
    if (minute >= 1440U || minute_key(day, minute) <= after)
        return DW_REFUSED_TIME;
    zone.change[zone.changes].day = day;
    zone.change[zone.changes].minute = minute;
    zone.change[zone.changes].offset = offset;
    ++zone.changes;
    changed();
    return 0;
}

uint8_t dw_time_change_due(uint32_t *s, uint16_t *day)
{
    if (!zone.changes)   /* the main loop asks at every tick */
        return 0;
    uint16_t d = dw_hal_clock_day();
    const uint32_t now = dw_hal_clock_get();
    if (!dw_date_known(d) || minute_key(d, (uint16_t)(now / 60U)) < minute_key(zone.change[0].day, zone.change[0].minute))
        return 0;
    int32_t t = (int32_t)now + ((int32_t)zone.change[0].offset - zone.offset) * 60L;
    if (t < 0) {
        t += (int32_t)DW_DAY_SECONDS;
        --d;
    } else if (t >= (int32_t)DW_DAY_SECONDS) {
        t -= (int32_t)DW_DAY_SECONDS;
        ++d;
    }
    zone.offset = zone.change[0].offset;
    --zone.changes;
    for (uint8_t k = 0; k < zone.changes; ++k)
        zone.change[k] = zone.change[k + 1U];
    changed();
    *s = (uint32_t)t;
    *day = d;
    return 1;
}

void dw_time_keep(void)
{
    if (!zone.unsaved)
        return;
    dw_store_save(DW_STORE_ZONE, ZONE_KEPT);
    zone.unsaved = 0;
    save();
}

uint8_t dw_time_offset_for(uint16_t day, int16_t *offset)
{
    if (!zone.offset_known)
        return 0;
    int16_t o = zone.offset;
    const uint32_t noon = minute_key(day, 720U);
    for (uint8_t k = 0; k < zone.changes; ++k)
        if (minute_key(zone.change[k].day, zone.change[k].minute) <= noon)
            o = zone.change[k].offset;
    *offset = o;
    return 1;
}

uint8_t dw_time_changes(void)
{
    return zone.changes;
}

int16_t dw_time_trim_ppm(void)
{
    const int16_t ppm = (int16_t)((magnitude(zone.trim) + 50U) / 100U);
    return module_running ? 0 : zone.trim < 0 ? (int16_t)-ppm : ppm;
}

uint8_t dw_parse_offset(const char *p, uint8_t n, int16_t *offset)
{
    if (n < 2 || n > 5 || (p[0] != '+' && p[0] != '-'))
        return 0;
    int16_t v = 0;
    for (uint8_t i = 1; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return 0;
        v = (int16_t)(v * 10 + (p[i] - '0'));
    }
    if (v > DW_OFFSET_MAX)
        return 0;
    *offset = p[0] == '-' ? (int16_t)-v : v;
    return 1;
}
