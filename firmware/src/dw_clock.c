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
