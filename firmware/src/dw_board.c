// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_board.h"
#include "dw_clock.h"
#include "dw_hal.h"
#include "dw_module.h"
#include "dw_store.h"
#include "dw_time.h"
#include "dw_week.h"

enum { LINE_OK = 0, LINE_TOO_LONG = 1, LINE_DAMAGED = 2 };

static char line[DW_LINE_MAX];
static uint8_t line_len;
static uint8_t line_state;
static uint8_t pattern[DW_PATTERN_BYTES];   /* today's program */
static uint8_t weekday;           /* whose program pattern holds */
static uint8_t weekday_kept;      /* the weekday EEPROM names as the one run last */
static uint8_t light;
static uint8_t eval_due;
static uint32_t eval_seconds;

/* Refusals not yet made good, for the status line: a sender that reads no
 * answers (set commands are silent) still learns that a line was refused.
 * One slot each for t, a and b, cleared by the next accepted line of that
 * letter; one for w, which names the weekday and half of the line refused
 * (when it had valid ones) and is cleared by a w line for the same (any w
 * line when it named none); one shared slot for the queries and for lines
 * with no command letter ('?'). A query's refusal is cleared by that query
 * accepted, a '?' one by any accepted line except `s`, which reports it. */
enum { KIND_T, KIND_A, KIND_B, KIND_W, KIND_OTHER, KINDS };
static struct {
    char cmd;           /* command letter, or '?' */
    const char *why;    /* reason as in the error answer; 0: none */
} refused[KINDS];
static char refused_day[2];   /* the refused w line's weekday and half; 0: none */

static void put_str(const char *s)
{
    while (*s)
        dw_hal_putc(*s++);
}

static void put_signed(int16_t v)
{
    char num[11];
    dw_hal_putc(v < 0 ? '-' : '+');
    dw_format_u32((uint32_t)(v < 0 ? -(int32_t)v : v), num);
    put_str(num);
}

static void answer(const char *s)
{
    put_str(s);
    dw_hal_putc('\r');
    dw_hal_putc('\n');
}

static uint8_t kind_of(char cmd)
{
    return cmd == DW_CMD_SET_TIME ? KIND_T : cmd == DW_CMD_STORE_A ? KIND_A : cmd == DW_CMD_STORE_B ? KIND_B
           : cmd == DW_CMD_STORE_DAY ? KIND_W : KIND_OTHER;
}

/* The weekday (0 Monday .. 6 Sunday) and half a w or r line names after
 * its letter; 0 when it names none. */
static uint8_t day_and_half(uint8_t *wd, uint8_t *half)
{
    if (line_len < 3 || line[1] < '1' || line[1] > (char)('0' + DW_WEEKDAYS) ||
        (line[2] != DW_CMD_STORE_A && line[2] != DW_CMD_STORE_B))
        return 0;
    *wd = (uint8_t)(line[1] - '1');
    *half = (uint8_t)(line[2] - DW_CMD_STORE_A);
    return 1;
}

/* Refuses the line being handled and remembers it under its letter. Only
 * known command letters are kept: any other byte, a CR or LF among them,
 * must not reach the status line. */
static void refuse(const char *why)
{
    char cmd = line_len ? line[0] : '?';
    if (cmd != DW_CMD_SET_TIME && cmd != DW_CMD_STORE_A && cmd != DW_CMD_STORE_B && cmd != DW_CMD_GET_TIME
        && cmd != DW_CMD_GET_A && cmd != DW_CMD_GET_B && cmd != DW_CMD_STATUS && cmd != DW_CMD_SET_PRECISE
        && cmd != DW_CMD_GET_PRECISE && cmd != DW_CMD_OFFSET_CHANGE && cmd != DW_CMD_STORE_DAY
        && cmd != DW_CMD_GET_DAY)
        cmd = '?';
    uint8_t k = kind_of(cmd), wd, half;
    if (k == KIND_W) {
        refused_day[0] = day_and_half(&wd, &half) ? line[1] : 0;
        refused_day[1] = line[2];
    }
    refused[k].cmd = cmd;
    refused[k].why = why;
    put_str(DW_ERROR_PREFIX);
    answer(why);
}

static void accepted(char cmd)
{
    uint8_t k = kind_of(cmd);
    if (refused[k].cmd == cmd &&
        (k != KIND_W || !refused_day[0] || (refused_day[0] == line[1] && refused_day[1] == line[2])))
        refused[k].why = 0;
    if (refused[KIND_OTHER].cmd == '?' && cmd != DW_CMD_STATUS)
        refused[KIND_OTHER].why = 0;
}

uint8_t dw_light_at(const uint8_t *p, uint32_t s)
{
    uint8_t e = dw_quarter_entry(s);
    return (uint8_t)((p[e >> 3] >> (e & 7U)) & 1U);
}

/* The day the clock has reached, read together with its time of day s.
 * With no date the board runs the weekday it ran last: as a day counted on
 * from DW_ASSUMED_MONDAY, which the tick moves on at midnight as it does a
 * date and a reset keeps. */
static uint16_t today(uint32_t *s)
{
    uint16_t day;
    do {
        day = dw_hal_clock_day();
        *s = dw_hal_clock_get();
    } while (day != dw_hal_clock_day());    /* midnight came in between */
    if (day == DW_NO_DATE) {
        day = (uint16_t)(DW_ASSUMED_MONDAY + weekday_kept);
        dw_hal_clock_set_day(day);
    }
    return day;
}

void dw_board_init(void)
{
    line_len = 0;
    line_state = LINE_OK;
    for (uint8_t k = 0; k < KINDS; ++k)
        refused[k].why = 0;
    weekday_kept = dw_week_last_run();
    dw_time_init();
    dw_module_start();
    put_str(dw_hal_clock_known() ? DW_GREETING : DW_GREETING_NOT_SET);
    put_str(DW_GREETING_WEEK);
    answer(DW_GREETING_PRECISE);
    eval_due = 1;
    dw_board_poll();
}

void dw_board_poll(void)
{
    uint32_t s;
    uint16_t day;
    if (dw_time_change_due(&s, &day)) {
        uint16_t ms;
        dw_hal_clock_get_ms(&ms);
        dw_module_set_clock(s, ms, day);
    }
    dw_module_poll();
    /* the light is what today's program says now, from the date and time
     * alone: whatever set the clock or moved the date, midnight included */
    const uint8_t wd = dw_weekday(today(&s));
    if (!eval_due && s == eval_seconds && wd == weekday)
        return;
    weekday = wd;
    dw_week_load(wd, 0, pattern);
    dw_week_load(wd, 1, pattern + DW_HALF_BYTES);
    eval_due = 0;
    eval_seconds = s;
    light = dw_light_at(pattern, s);
    dw_hal_light(light);
    if (wd != weekday_kept) {   /* for a start that will not know the date */
        weekday_kept = wd;
        dw_week_keep_run(wd);
    }
}

uint8_t dw_board_light(void)
{
    return light;
}

/* The digits of weekday's half, after the line's head the caller sent. */
static void send_half(uint8_t wd, uint8_t half)
{
    uint8_t bits[DW_HALF_BYTES];
    dw_week_load(wd, half, bits);
    for (uint8_t k = 0; k < DW_HALF_ENTRIES; ++k)
        dw_hal_putc((bits[k >> 3] >> (k & 7U)) & 1U ? '1' : '0');
    answer("");
}

/* "a"/"b" + 48 digits: that half for every weekday; "w" + weekday + "a"/"b"
 * + 48 digits: for that weekday; "r" + weekday + "a"/"b": answers the "w"
 * line that holds it. */
static void day_line(void)
{
    const char cmd = line[0];
    const uint8_t at = cmd == DW_CMD_STORE_A || cmd == DW_CMD_STORE_B ? 1U : 3U;
    uint8_t wd = 0, half = (uint8_t)(cmd - DW_CMD_STORE_A);
    if (line_len != (cmd == DW_CMD_GET_DAY ? 3U : at + DW_HALF_ENTRIES)) {
        refuse(DW_REFUSED_LENGTH);
        return;
    }
    if (at == 3U && !day_and_half(&wd, &half)) {
        refuse(DW_REFUSED_DIGIT);
        return;
    }
    uint8_t bits[DW_HALF_BYTES] = {0};
    for (uint8_t k = 0; k < line_len - at; ++k) {
        char c = line[at + k];
        if (c != '0' && c != '1') {
            refuse(DW_REFUSED_DIGIT);
            return;
        }
        if (c == '1')
            bits[k >> 3] |= (uint8_t)(1U << (k & 7U));
    }
    accepted(cmd);
    if (cmd == DW_CMD_GET_DAY) {
        dw_hal_putc(DW_CMD_STORE_DAY);
        dw_hal_putc(line[1]);
        dw_hal_putc(line[2]);
        send_half(wd, half);
        return;
    }
    if (at == 1U)
        dw_week_save_all(half, bits);
    else
        dw_week_save(wd, half, bits);
    eval_due = 1;             /* what the EEPROM now holds drives the light */
    dw_board_poll();
}

static void put_weekday(uint8_t wd)
{
    for (uint8_t i = 0; i < 3; ++i)
        dw_hal_putc(DW_WEEKDAY_NAMES[wd * 3U + i]);
}

/* `t hh:mm` sets the seconds to 0; `p S.mmm` sets the time to the
 * millisecond, as of the line's end, which is now: lines are handled as they
 * end. A `p` may name the date and the UTC offset too ("p S.mmm yyyy-mm-dd
 * +M"). */
static void set_time(void)
{
    uint32_t s;
    uint16_t ms = 0;
    uint16_t day = DW_NO_DATE;
    int16_t offset = 0;
    uint8_t n = line_len;
    const uint8_t precise = line[0] == DW_CMD_SET_PRECISE;
    if (precise) {
        for (uint8_t i = 1; i < n; ++i)
            if (line[i] == ' ') {
                if (n - i < 14 || line[i + 11] != ' ' || !dw_parse_date(line + i + 1, &day) ||
                    !dw_parse_offset(line + i + 12, (uint8_t)(n - i - 12), &offset)) {
                    refuse(DW_REFUSED_DATE);
                    return;
                }
                n = i;
                break;
            }
    }
    if (precise ? n < 6 || n > 10 : n != 6) {
        refuse(DW_REFUSED_LENGTH);
        return;
    }
    if (precise ? !dw_parse_precise(line + 1, (uint8_t)(n - 1), &s, &ms) : !dw_parse_hhmm(line + 1, &s)) {
        refuse(DW_REFUSED_TIME);
        return;
    }
    accepted(line[0]);
    if (precise) {
        dw_time_precise_set(s, ms, day, offset);
    } else {
        day = dw_hal_clock_day();
        dw_time_other_set(s);
    }
    dw_module_set_clock(s, ms, day);
    eval_due = 1;
    dw_board_poll();
}

/* "oyyyy-mm-dd hh:mm +M": at that local time the UTC offset becomes M. */
static void add_change(void)
{
    uint16_t day;
    uint32_t s;
    int16_t offset;
    if (line_len < 20 || line_len > 23 || line[11] != ' ' || line[17] != ' ') {
        refuse(DW_REFUSED_LENGTH);
        return;
    }
    if (!dw_parse_date(line + 1, &day) || !dw_parse_hhmm(line + 12, &s) ||
        !dw_parse_offset(line + 18, (uint8_t)(line_len - 18U), &offset)) {
        refuse(DW_REFUSED_TIME);
        return;
    }
    const char *why = dw_time_add_change(day, (uint16_t)(s / 60U), offset);
    if (why) {
        refuse(why);
        return;
    }
    accepted(line[0]);
}

static void send_status(void)
{
    char hms[9];
    dw_format_hms(dw_hal_clock_get(), hms);
    put_str("time ");
    put_str(hms);
    if (!dw_hal_clock_known())
        put_str(DW_STATUS_NOT_SET);
    else if (dw_module_gives_time())
        put_str(DW_STATUS_MODULE);
    put_str(light ? " light on" : " light off");
    const uint8_t stored = dw_week_stored();
    put_str(stored == 2U * DW_WEEKDAYS ? DW_STATUS_PATTERN_STORED
            : stored ? DW_STATUS_PATTERN_PARTIAL : DW_STATUS_PATTERN_NONE);
    uint32_t s;
    const uint16_t day = today(&s);
    if (dw_date_known(day)) {
        char date[11];
        dw_format_date(day, date);
        put_str(" date ");
        put_str(date);
        dw_hal_putc(' ');
        put_weekday(dw_weekday(day));
    } else {
        put_str(DW_STATUS_DAY);
        put_weekday(dw_weekday(day));
        put_str(DW_STATUS_ASSUMED);
    }
    if (!dw_module_gives_time()) {
        put_str(" trim ");
        put_signed(dw_time_trim_ppm());
        put_str(" ppm");
    }
    for (uint8_t k = 0; k < KINDS; ++k) {
        if (!refused[k].why)
            continue;
        put_str("; refused ");
        dw_hal_putc(refused[k].cmd);
        if (k == KIND_W && refused_day[0]) {
            dw_hal_putc(refused_day[0]);
            dw_hal_putc(refused_day[1]);
        }
        put_str(": ");
        put_str(refused[k].why);
    }
    answer("");
}

static void execute(void)
{
    if (line_len == 0) {
        refuse(DW_REFUSED_EMPTY);
        return;
    }
    char cmd = line[0];
    switch (cmd) {
    case DW_CMD_SET_TIME:
    case DW_CMD_SET_PRECISE:
        set_time();
        return;
    case DW_CMD_STORE_A:
    case DW_CMD_STORE_B:
    case DW_CMD_STORE_DAY:
    case DW_CMD_GET_DAY:
        day_line();
        return;
    case DW_CMD_OFFSET_CHANGE:
        add_change();
        return;
    case DW_CMD_GET_TIME:
    case DW_CMD_GET_A:
    case DW_CMD_GET_B:
    case DW_CMD_STATUS:
    case DW_CMD_GET_PRECISE:
        break;
    default:
        refuse(DW_REFUSED_UNKNOWN);
        return;
    }
    if (line_len != 1) {
        refuse(DW_REFUSED_LENGTH);
        return;
    }
    accepted(cmd);
    if (cmd == DW_CMD_GET_TIME) {
        char num[11];
        dw_format_u32(dw_hal_clock_get(), num);
        answer(num);
    } else if (cmd == DW_CMD_GET_PRECISE) {
        char num[11];
        uint16_t ms;
        const uint32_t s = dw_hal_clock_get_ms(&ms);
        dw_format_precise(s, ms, num);
        put_str(num);
        dw_hal_putc(' ');
        dw_format_u32(dw_time_changes(), num);
        put_str(num);
        dw_hal_putc(' ');
        put_signed(dw_time_trim_ppm());
        answer("");
    } else if (cmd == DW_CMD_STATUS) {
        send_status();
    } else {
        /* today's program's half, as the line that stores it for every day */
        uint32_t s;
        const uint8_t half = cmd == DW_CMD_GET_A ? 0 : 1;
        dw_hal_putc((char)(DW_CMD_STORE_A + half));
        send_half(dw_weekday(today(&s)), half);
    }
}

void dw_board_rx_error(void)
{
    if (line_state == LINE_OK)
        line_state = LINE_DAMAGED;
}

void dw_board_rx(uint8_t c)
{
    if (c != '\n') {
        if (line_len < DW_LINE_MAX)
            line[line_len++] = (char)c;
        else
            line_state = LINE_TOO_LONG;
        return;
    }
    if (line_state == LINE_OK && line_len > 0 && line[line_len - 1] == '\r')
        --line_len;
    if (line_state == LINE_TOO_LONG)
        refuse(DW_REFUSED_TOO_LONG);
    else if (line_state == LINE_DAMAGED)
        refuse(DW_REFUSED_LOST);
    else
        execute();
    line_len = 0;
    line_state = LINE_OK;
}
