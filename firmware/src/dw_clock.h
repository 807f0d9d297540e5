// SPDX-License-Identifier: GPL-3.0-or-later
/* Clock arithmetic, the 1 ms tick and the kept time, reset causes, the
 * date, and the quarter-hour rule; shared by firmware and tests. */
#ifndef DW_CLOCK_H
#define DW_CLOCK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DW_DAY_SECONDS 86400UL
#define DW_QUARTER_SECONDS 900U
#define DW_ENTRIES 96U

/* s + n seconds, wrapped into one day. s must be below DW_DAY_SECONDS. */
uint32_t dw_clock_add(uint32_t s, uint32_t n);

/* The date: days since 2000-01-01, up to 2099-12-31. */
#define DW_NO_DATE 0xFFFFU
#define DW_LAST_DAY 36524U
/* A day past DW_LAST_DAY names no date, only the weekday of a board that
 * does not know its date: it counts on from this Monday like a date (the
 * tick moves it at midnight, a reset keeps it), so the weekday it runs is
 * worked out the same way. Room for seventy years of counting. */
#define DW_ASSUMED_MONDAY 40000U
static inline uint8_t dw_date_known(uint16_t day)
{
    return day <= DW_LAST_DAY;
}
/* The weekday of a day, 0 Monday to 6 Sunday (2000-01-01 was a Saturday). */
static inline uint8_t dw_weekday(uint16_t day)
{
    return (uint8_t)((day + 5U) % 7U);
}
/* The run count when it does not measure from a set the board can trust. */
#define DW_NO_RUN 0xFFFFFFFFUL

/* step milliseconds (0, 1 or 2) onto a time of day; past midnight the date,
 * when known, moves on. Returns 1 when the day wrapped. */
static inline uint8_t dw_clock_step_ms(volatile uint32_t *seconds, volatile uint16_t *ms, uint8_t step)
{
    uint16_t m = (uint16_t)(*ms + step);
    uint8_t wrapped = 0;
    if (m >= 1000U) {
        uint32_t s = *seconds + 1U;
        wrapped = s >= DW_DAY_SECONDS;
        *seconds = wrapped ? 0 : s;
        m = (uint16_t)(m - 1000U);
    }
    *ms = m;
    return wrapped;
}

/* The trim, in hundredths of a ppm, is applied by adding or dropping one
 * whole millisecond now and then: 1 ms is far below anything the
 * quarter-hour schedule can notice, and the clock never runs backwards.
 * Returns the milliseconds this tick is worth. */
#define DW_TRIM_ONE 100000000L   /* 1 ms in hundredths of a ppm of a ms */
#define DW_TRIM_MAX 1000000L     /* +-10,000 ppm */
static inline uint8_t dw_trim_step(int32_t *acc, int32_t trim)
{
    int32_t a = *acc + trim;
    uint8_t step = 1;
    if (a >= DW_TRIM_ONE) {
        a -= DW_TRIM_ONE;
        step = 2;
    } else if (a <= -DW_TRIM_ONE) {
        a += DW_TRIM_ONE;
        step = 0;
    }
    *acc = a;
    return step;
}

/* The time of day as the firmware keeps it: in RAM that a reset leaves
 * alone (.noinit on the chip), with a check word so a start can tell a
 * time that survived from whatever the RAM holds after power-up. */
struct dw_kept {
    uint32_t seconds;   /* 0..86399 */
    uint16_t ms;        /* 0..999 */
    uint8_t known;      /* 1 once a `t` line or the clock module gave the time */
    uint8_t layout;     /* DW_KEPT_LAYOUT */
    uint16_t day;       /* the date, DW_NO_DATE while unknown */
    uint16_t run_ms;    /* 0..999 */
    uint32_t run_s;     /* the oscillator's own seconds since the last set to
                           the ms, untrimmed; DW_NO_RUN when none counts */
    uint32_t check;     /* dw_kept_check() */
};
#define DW_KEPT_LAYOUT 2U

/* Reset causes, laid out as in MCUSR. */
#define DW_RESET_POWER 0x01U
#define DW_RESET_EXTERNAL 0x02U
#define DW_RESET_BROWNOUT 0x04U
#define DW_RESET_WATCHDOG 0x08U
/* Not in MCUSR: the firmware restarted itself after its main loop hung,
 * without a reset or a bootloader, so no time was lost. */
#define DW_RESET_HUNG 0x80U

/* How long a reset holds the chip before the firmware runs again when the
 * flash holds no bootloader to reckon it from (dw_boot.h): about what the
 * Uno's Optiboot holds it, and what the virtual board imitates without one.
 * Added back to a time that survived a reset. */
#define DW_BOOT_HOLD_MS 1400U

/* The reset causes as far as they are known: DW_RESET_HUNG when hung is
 * set, else MCUSR as the start-up code found it, or, when a bootloader
 * cleared it, what Optiboot 5 and later hand over in r2 (boot_major:
 * Optiboot's major version from the end of flash, 0xFF when there is
 * none). 0: unknown (Optiboot 4.4 clears MCUSR after every reset). */
uint8_t dw_reset_flags(uint8_t mcusr, uint8_t r2, uint8_t boot_major, uint8_t hung);

/* The check word for k's time, layout and place in RAM. */
uint32_t dw_kept_check(const volatile struct dw_kept *k);
/* The part of the check word that names k's place in RAM. */
static inline uint32_t dw_kept_place(const volatile struct dw_kept *k)
{
    return (uint32_t)(uint16_t)(uintptr_t)k << 16;
}

/* At start: keeps k's time (or, when a reset tore k, its copy's), plus
 * hold_ms for the bootloader unless the firmware restarted itself, when
 * the reset was not a power-up or brown-out and a check word matches; otherwise a cold start at 00:00:00,
 * time not known. Both copies agree afterwards. Returns 1 if the time was
 * kept. */
uint8_t dw_kept_start(volatile struct dw_kept *k, volatile struct dw_kept *copy, uint8_t flags,
                      uint16_t hold_ms);

/* Sets the time of day to the millisecond (known from now on) and the date
 * (DW_NO_DATE: unknown). */
void dw_kept_set(volatile struct dw_kept *k, volatile struct dw_kept *copy, uint32_t seconds, uint16_t ms,
                 uint16_t day);
/* Sets the date alone (the time of day and whether it is known stay). */
void dw_kept_set_day(volatile struct dw_kept *k, volatile struct dw_kept *copy, uint16_t day);
/* Starts the run count again from 0, or stops it (DW_NO_RUN). */
void dw_kept_run_from(volatile struct dw_kept *k, volatile struct dw_kept *copy, uint32_t run_s);

/* Copies k's time into its second copy, with that copy's own check word.
 * A reset can come in the middle of any write: while k is written the copy
 * still holds the time of a millisecond before, and while the copy is
 * written k is whole, so one of the two always checks out. */
static inline void dw_kept_mirror(volatile struct dw_kept *copy, const volatile struct dw_kept *k)
{
    copy->seconds = k->seconds;
    copy->ms = k->ms;
    copy->known = k->known;
    copy->layout = k->layout;
    copy->day = k->day;
    copy->run_s = k->run_s;
    copy->run_ms = k->run_ms;
    /* k's check word holds for k (the tick just wrote it, a start checked
     * it): only the part naming the place differs, so the interrupt does
     * not work the whole word out twice */
    copy->check = k->check ^ dw_kept_place(k) ^ dw_kept_place(copy);
}

/* The timer interrupt's body: one millisecond of the oscillator, worth step
 * milliseconds of the trimmed clock; check words kept in step. */
static inline void dw_kept_tick(volatile struct dw_kept *k, volatile struct dw_kept *copy, uint8_t step)
{
    if (dw_clock_step_ms(&k->seconds, &k->ms, step) && k->day != DW_NO_DATE)
        k->day = (uint16_t)(k->day + 1U);
    if (k->run_s != DW_NO_RUN) {
        const uint16_t run_ms = (uint16_t)(k->run_ms + 1U);
        k->run_ms = run_ms >= 1000U ? 0 : run_ms;
        if (run_ms >= 1000U)
            k->run_s = k->run_s + 1U;
    }
    k->check = dw_kept_check(k);
    dw_kept_mirror(copy, k);
}

/* A date as days since 2000-01-01 from its year (0..99 after 2000), month
 * and day of the month; returns 0 (leaving *day alone) when there is no
 * such date. And back. */
uint8_t dw_date_from_civil(uint8_t year, uint8_t month, uint8_t date, uint16_t *day);
void dw_date_to_civil(uint16_t day, uint8_t *year, uint8_t *month, uint8_t *date);

/* Parses exactly "yyyy-mm-dd" (2000-01-01..2099-12-31). Returns 1 on
 * success, 0 (leaving *day alone) otherwise. */
uint8_t dw_parse_date(const char *p, uint16_t *day);
/* Writes "yyyy-mm-dd" plus NUL (11 bytes). */
void dw_format_date(uint16_t day, char *out);

/* Pattern entry for the quarter hour containing time-of-day s. Entry k
 * (1..95) is the quarter that ends k*15 minutes after midnight; entry 0 is
 * the last quarter of the day. */
uint8_t dw_quarter_entry(uint32_t s);

/* Parses exactly "hh:mm" (5 chars, 00..23, 00..59) into seconds after
 * midnight. Returns 1 on success, 0 (leaving *out alone) otherwise. */
uint8_t dw_parse_hhmm(const char *p, uint32_t *out);

/* Parses exactly n chars "S.mmm": seconds after midnight (1 to 5 digits,
 * below 86400), a dot, three digits of milliseconds. Returns 1 on success,
 * 0 (leaving the outputs alone) otherwise. */
uint8_t dw_parse_precise(const char *p, uint8_t n, uint32_t *seconds, uint16_t *ms);
/* Writes "S.mmm" plus NUL into out (at most 10 bytes). */
void dw_format_precise(uint32_t seconds, uint16_t ms, char *out);
/* Writes "hh:mm:ss" plus NUL into out (9 bytes). */
void dw_format_hms(uint32_t s, char *out);

/* Writes v in decimal plus NUL (at most 11 bytes); returns the digit count. */
uint8_t dw_format_u32(uint32_t v, char *out);

#ifdef __cplusplus
}
#endif

#endif
