// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_clock.h"

uint32_t dw_clock_add(uint32_t s, uint32_t n)
{
    return (s + n % DW_DAY_SECONDS) % DW_DAY_SECONDS;
}

uint8_t dw_quarter_entry(uint32_t s)
{
    uint8_t q = (uint8_t)((s % DW_DAY_SECONDS) / DW_QUARTER_SECONDS);
    return (uint8_t)((q + 1U) % DW_ENTRIES);
}

static uint8_t two_digits(const char *p, uint8_t max, uint8_t *out)
{
    if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9')
        return 0;
    uint8_t v = (uint8_t)((p[0] - '0') * 10 + (p[1] - '0'));
    if (v > max)
        return 0;
    *out = v;
    return 1;
}

uint8_t dw_parse_hhmm(const char *p, uint32_t *out)
{
    uint8_t h, m;
    if (!two_digits(p, 23, &h) || p[2] != ':' || !two_digits(p + 3, 59, &m))
        return 0;
    *out = (uint32_t)h * 3600UL + (uint32_t)m * 60UL;
    return 1;
}

uint8_t dw_parse_precise(const char *p, uint8_t n, uint32_t *seconds, uint16_t *ms)
{
    uint32_t s = 0;
    uint16_t m = 0;
    if (n < 5 || n > 9 || p[n - 4] != '.')
        return 0;
    for (uint8_t i = 0; i < n; ++i) {
        if (i == n - 4)
            continue;
        if (p[i] < '0' || p[i] > '9')
            return 0;
        if (i < n - 4)
            s = s * 10U + (uint32_t)(p[i] - '0');
        else
            m = (uint16_t)(m * 10U + (uint16_t)(p[i] - '0'));
    }
    if (s >= DW_DAY_SECONDS)
        return 0;
    *seconds = s;
    *ms = m;
    return 1;
}

void dw_format_precise(uint32_t seconds, uint16_t ms, char *out)
{
    uint8_t n = dw_format_u32(seconds, out);
    out[n++] = '.';
    out[n++] = (char)('0' + ms / 100U % 10U);
    out[n++] = (char)('0' + ms / 10U % 10U);
    out[n++] = (char)('0' + ms % 10U);
    out[n] = '\0';
}

static void put2(char *out, uint8_t v)
{
    out[0] = (char)('0' + v / 10);
    out[1] = (char)('0' + v % 10);
}

void dw_format_hms(uint32_t s, char *out)
{
    s %= DW_DAY_SECONDS;
    uint16_t rest = (uint16_t)(s % 3600UL);
    put2(out, (uint8_t)(s / 3600UL));
    out[2] = ':';
    put2(out + 3, (uint8_t)(rest / 60U));
    out[5] = ':';
    put2(out + 6, (uint8_t)(rest % 60U));
    out[8] = '\0';
}

uint8_t dw_format_u32(uint32_t v, char *out)
{
    char tmp[10];
    uint8_t n = 0;
    do {
        tmp[n++] = (char)('0' + v % 10U);
        v /= 10U;
    } while (v);
    for (uint8_t i = 0; i < n; ++i)
        out[i] = tmp[n - 1 - i];
    out[n] = '\0';
    return n;
}

uint8_t dw_reset_flags(uint8_t mcusr, uint8_t r2, uint8_t boot_major, uint8_t hung)
{
    const uint8_t causes = DW_RESET_POWER | DW_RESET_EXTERNAL | DW_RESET_BROWNOUT | DW_RESET_WATCHDOG;
    if (hung)
        return DW_RESET_HUNG;
    if (mcusr & causes)
        return mcusr & causes;
    /* older bootloaders leave r2 as it happens to be: not a reset cause */
    if (boot_major >= 5U && boot_major != 0xFFU)
        return r2 & causes;
    return 0;
}

uint32_t dw_kept_check(const volatile struct dw_kept *k)
{
    /* the time's complement, a constant naming the layout, whether the time
     * is known and where the words lie: a build that moves them never
     * trusts what an older one left */
    return ~k->seconds ^ (0x5D1A0000UL | (uint32_t)k->layout << 8 | k->known) ^
           dw_kept_place(k) ^ k->ms ^ ((uint32_t)k->day << 3) ^ (k->run_s + 0x3C6EF372UL) ^
           ((uint32_t)k->run_ms << 19);
}

static uint8_t kept_valid(const volatile struct dw_kept *k)
{
    return k->layout == DW_KEPT_LAYOUT && k->seconds < DW_DAY_SECONDS && k->ms < 1000U &&
           k->run_ms < 1000U && k->known <= 1U && k->check == dw_kept_check(k);
}

uint8_t dw_kept_start(volatile struct dw_kept *k, volatile struct dw_kept *copy, uint8_t flags,
                      uint16_t hold_ms)
{
    uint8_t kept = 0;
    if (!(flags & (DW_RESET_POWER | DW_RESET_BROWNOUT))) {
        if (!kept_valid(k) && kept_valid(copy))
            dw_kept_mirror(k, copy);
        kept = kept_valid(k);
    }
    if (kept) {
        const uint16_t hold = flags & DW_RESET_HUNG ? 0U : hold_ms;
        uint32_t ms = (uint32_t)k->ms + hold;
        uint32_t s = k->seconds + ms / 1000U;
        if (s >= DW_DAY_SECONDS && k->day != DW_NO_DATE)
            k->day = (uint16_t)(k->day + 1U);
        k->seconds = s % DW_DAY_SECONDS;
        k->ms = (uint16_t)(ms % 1000U);
        /* the hold is the oscillator's time too: the run count gets it */
        if (k->run_s != DW_NO_RUN) {
            ms = (uint32_t)k->run_ms + hold;
            k->run_s += ms / 1000U;
            k->run_ms = (uint16_t)(ms % 1000U);
        }
    } else {
        k->seconds = 0;
        k->ms = 0;
        k->known = 0;
        k->layout = DW_KEPT_LAYOUT;
        k->day = DW_NO_DATE;
        k->run_s = DW_NO_RUN;
        k->run_ms = 0;
    }
    k->check = dw_kept_check(k);
    dw_kept_mirror(copy, k);
    return kept;
}

void dw_kept_set(volatile struct dw_kept *k, volatile struct dw_kept *copy, uint32_t seconds, uint16_t ms,
                 uint16_t day)
{
    k->seconds = seconds % DW_DAY_SECONDS;
    k->ms = ms % 1000U;
    k->day = day;
    k->known = 1;
    k->layout = DW_KEPT_LAYOUT;
    k->check = dw_kept_check(k);
    dw_kept_mirror(copy, k);
}

void dw_kept_set_day(volatile struct dw_kept *k, volatile struct dw_kept *copy, uint16_t day)
{
    k->day = day;
    k->check = dw_kept_check(k);
    dw_kept_mirror(copy, k);
}

void dw_kept_run_from(volatile struct dw_kept *k, volatile struct dw_kept *copy, uint32_t run_s)
{
    k->run_s = run_s;
    k->run_ms = 0;
    k->check = dw_kept_check(k);
    dw_kept_mirror(copy, k);
}

/* Every fourth year from 2000 to 2096 is a leap year, and only those. */
static uint8_t month_length(uint8_t year, uint8_t month)
{
    static const uint8_t days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (uint8_t)(days[month - 1U] + (month == 2U && year % 4U == 0U));
}

uint8_t dw_date_from_civil(uint8_t year, uint8_t month, uint8_t date, uint16_t *day)
{
    if (year > 99U || month < 1U || month > 12U || date < 1U || date > month_length(year, month))
        return 0;
    uint16_t d = (uint16_t)(year * 365U + (year + 3U) / 4U);
    for (uint8_t m = 1; m < month; ++m)
        d = (uint16_t)(d + month_length(year, m));
    *day = (uint16_t)(d + date - 1U);
    return 1;
}

void dw_date_to_civil(uint16_t day, uint8_t *year, uint8_t *month, uint8_t *date)
{
    uint8_t y = 0, m = 1;
    for (uint16_t len; day >= (len = y % 4U ? 365U : 366U); ++y)
        day = (uint16_t)(day - len);
    for (; day >= month_length(y, m); ++m)
        day = (uint16_t)(day - month_length(y, m));
    *year = y;
    *month = m;
    *date = (uint8_t)(day + 1U);
}

uint8_t dw_parse_date(const char *p, uint16_t *day)
{
    uint8_t century, year, month, date;
    return two_digits(p, 20, &century) && century == 20U && two_digits(p + 2, 99, &year) && p[4] == '-' &&
           two_digits(p + 5, 12, &month) && p[7] == '-' && two_digits(p + 8, 31, &date) &&
           dw_date_from_civil(year, month, date, day);
}

void dw_format_date(uint16_t day, char *out)
{
    uint8_t year, month, date;
    dw_date_to_civil(day, &year, &month, &date);
    put2(out, 20);
    put2(out + 2, year);
    out[4] = '-';
    put2(out + 5, month);
    out[7] = '-';
    put2(out + 8, date);
    out[10] = '\0';
}
