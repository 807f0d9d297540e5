/* Clock arithmetic and the quarter-hour rule, shared by firmware and tests. */
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

/* One millisecond tick: the body of the timer interrupt. */
static inline void dw_clock_tick_ms(volatile uint32_t *seconds, volatile uint16_t *ms)
{
    uint16_t m = (uint16_t)(*ms + 1U);
    if (m >= 1000U) {
        uint32_t s = *seconds + 1U;
        *seconds = s >= DW_DAY_SECONDS ? 0 : s;
        m = 0;
    }
    *ms = m;
}

/* Pattern entry for the quarter hour containing time-of-day s. Entry k
 * (1..95) is the quarter that ends k*15 minutes after midnight; entry 0 is
 * the last quarter of the day. */
uint8_t dw_quarter_entry(uint32_t s);

/* Parses exactly "hh:mm" (5 chars, 00..23, 00..59) into seconds after
 * midnight. Returns 1 on success, 0 (leaving *out alone) otherwise. */
uint8_t dw_parse_hhmm(const char *p, uint32_t *out);

/* Writes "hh:mm:ss" plus NUL into out (9 bytes). */
void dw_format_hms(uint32_t s, char *out);

/* Writes v in decimal plus NUL (at most 11 bytes); returns the digit count. */
uint8_t dw_format_u32(uint32_t v, char *out);

#ifdef __cplusplus
}
#endif

#endif
