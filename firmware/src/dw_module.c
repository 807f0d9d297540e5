// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_module.h"
#include "dw_clock.h"
#include "dw_hal.h"
#include "dw_time.h"

/* ---- the module's registers --------------------------------------------- */

static uint8_t from_bcd(uint8_t v, uint8_t max, uint8_t *out)
{
    uint8_t lo = v & 0x0FU, hi = v >> 4;
    if (lo > 9U || (uint8_t)(hi * 10U + lo) > max)
        return 0;
    *out = (uint8_t)(hi * 10U + lo);
    return 1;
}

uint8_t dw_module_decode(const uint8_t *regs, uint32_t *seconds)
{
    uint8_t s, m, h;
    if (regs[0] & 0x80U)            /* clock halt: the oscillator is stopped */
        return 0;
    if (!from_bcd(regs[0], 59, &s) || !from_bcd(regs[1] & 0x7FU, 59, &m))
        return 0;
    if (regs[2] & 0x40U) {          /* 12-hour form: bit 5 is PM */
        if (!from_bcd(regs[2] & 0x1FU, 12, &h) || h == 0)
            return 0;
        h = (uint8_t)(h % 12U + (regs[2] & 0x20U ? 12U : 0U));
    } else if (!from_bcd(regs[2] & 0x3FU, 23, &h)) {
        return 0;
    }
    *seconds = (uint32_t)h * 3600UL + (uint32_t)m * 60U + s;
    return 1;
}

static uint8_t to_bcd(uint8_t v)
{
    return (uint8_t)((v / 10U) << 4 | (v % 10U));
}

void dw_module_encode(uint32_t seconds, uint8_t *regs)
{
    seconds %= DW_DAY_SECONDS;
    uint16_t rest = (uint16_t)(seconds % 3600UL);
    regs[0] = to_bcd((uint8_t)(rest % 60U));
    regs[1] = to_bcd((uint8_t)(rest / 60U));
    regs[2] = to_bcd((uint8_t)(seconds / 3600UL));
}

uint8_t dw_module_decode_date(const uint8_t *regs, uint16_t *day)
{
    uint8_t date, month, year;
    return from_bcd(regs[1] & 0x3FU, 31, &date) && from_bcd(regs[2] & 0x1FU, 12, &month) &&
           from_bcd(regs[3], 99, &year) && dw_date_from_civil(year, month, date, day);
}

void dw_module_encode_date(uint16_t day, uint8_t *regs)
{
    uint8_t year, month, date;
    dw_date_to_civil(day, &year, &month, &date);
    regs[0] = (uint8_t)((day + 5U) % 7U + 1U);   /* 1: Monday; 2000-01-01 was a Saturday */
    regs[1] = to_bcd(date);
    regs[2] = to_bcd(month);
    regs[3] = to_bcd(year);
}

/* ---- the driver -------------------------------------------------------- */

/* The clock module: none answered at start; fitted but not giving the time
 * (oscillator stopped, or it stopped answering); giving the time. */
enum { MODULE_NONE, MODULE_IDLE, MODULE_RUNNING };
static uint8_t module;
static uint16_t module_minute;    /* the board's minute the module was last read in */
/* The board takes its ms phase from the module's seconds moving on, read
 * every few ms for up to a second once a minute; a set to the ms writes
 * the module as the board's next second begins, so both tick together. */
#define MODULE_REGS 7U
#define MODULE_READ_EVERY_MS 4U
#define MODULE_READS 300U
static uint16_t module_reads_left; /* 0: not waiting for the module's second */
static uint8_t module_second;     /* its seconds register as the wait began */
static uint16_t module_read_ms;
static uint8_t module_write_due;  /* write it when the board's second moves on */
static uint32_t module_write_after;

static void module_running(uint8_t running)
{
    module = running ? MODULE_RUNNING : MODULE_IDLE;
    dw_time_module(running);
}

/* Reads the module's time and date; 0 when it does not answer or holds no
 * running time. The date is DW_NO_DATE when its registers hold none. */
static uint8_t module_read(uint32_t *s, uint16_t *day)
{
    uint8_t regs[MODULE_REGS];
    if (!dw_hal_i2c_read(DW_MODULE_ADDR, 0, regs, sizeof regs)) {
        if (module != MODULE_NONE)
            module_running(0);
        return 0;
    }
    if (!dw_module_decode(regs, s)) {
        module_running(0);
        return 0;
    }
    if (!dw_module_decode_date(regs + 3, day))
        *day = dw_hal_clock_day();
    module_second = regs[0];
    module_running(1);
    return 1;
}

/* Once a minute: the module keeps the better time. The board takes it at
 * once when it has none, and its ms phase when the module's second moves
 * on. */
static void module_sync(void)
{
    uint32_t s;
    uint16_t day;
    module_minute = (uint16_t)(dw_hal_clock_get() / 60U);   /* a failed read waits a minute too */
    module_reads_left = 0;
    if (!module_read(&s, &day))
        return;
    /* more than a second apart is no matter of phase */
    const uint32_t apart = (s + DW_DAY_SECONDS - dw_hal_clock_get()) % DW_DAY_SECONDS;
    if (!dw_hal_clock_known() || (apart > 1U && apart < DW_DAY_SECONDS - 1U)) {
        /* After a cold start the module reads the time the board last gave
         * it, in the offset of then: offset changes that came meanwhile are
         * due now (dw_time_change_due), not already made. */
        if (dw_hal_clock_known())
            dw_time_other_set(s);
        dw_hal_clock_set(s, 0, day);
    }
    module_minute = (uint16_t)(dw_hal_clock_get() / 60U);
    module_reads_left = MODULE_READS;
    dw_hal_clock_get_ms(&module_read_ms);
}

static void module_follow(void)
{
    uint16_t ms;
    dw_hal_clock_get_ms(&ms);
    if ((uint16_t)(ms + 1000U - module_read_ms) % 1000U < MODULE_READ_EVERY_MS)
        return;
    module_read_ms = ms;
    uint8_t second;
    if (!dw_hal_i2c_read(DW_MODULE_ADDR, 0, &second, 1) || !--module_reads_left) {
        module_reads_left = 0;   /* a stopped module shows at the next minute's read */
        return;
    }
    if (second == module_second)
        return;
    uint32_t s;
    uint16_t day;
    module_reads_left = 0;
    if (module_read(&s, &day))
        dw_hal_clock_set(s, 0, day);
}

static void module_write(void)
{
    uint8_t regs[MODULE_REGS];
    const uint16_t day = dw_hal_clock_day();
    dw_module_encode(dw_hal_clock_get(), regs);
    const uint8_t dated = dw_date_known(day);   /* an assumed weekday is no date */
    if (dated)
        dw_module_encode_date(day, regs + 3);
    module_write_due = 0;
    module_reads_left = 0;
    module_running(dw_hal_i2c_write(DW_MODULE_ADDR, 0, regs, dated ? MODULE_REGS : 3U));
    module_minute = (uint16_t)(dw_hal_clock_get() / 60U);
}

void dw_module_set_clock(uint32_t s, uint16_t ms, uint16_t day)
{
    dw_hal_clock_set(s, ms, day);
    if (module == MODULE_NONE)
        return;
    module_write();
    module_write_due = ms != 0;
    module_write_after = s;
}

void dw_module_start(void)
{
    module = MODULE_NONE;
    module_write_due = 0;
    module_sync();
}

void dw_module_poll(void)
{
    if (module_write_due && dw_hal_clock_get() != module_write_after)
        module_write();
    else if (module_reads_left)
        module_follow();
    else if (module != MODULE_NONE && dw_hal_clock_get() / 60U != module_minute)
        module_sync();          /* once a minute: the tick drifts, the module hardly */
}

uint8_t dw_module_gives_time(void)
{
    return module == MODULE_RUNNING;
}
