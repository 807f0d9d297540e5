// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_board.h"
#include "dw_button.h"
#include "dw_clock.h"
#include "dw_hal.h"
#include "dw_light.h"
#include "dw_module.h"
#include "dw_settings.h"
#include "dw_store.h"
#include "dw_time.h"
#include "dw_week.h"

enum { LINE_OK = 0, LINE_TOO_LONG = 1, LINE_DAMAGED = 2 };

static char line[DW_LINE_MAX];
static uint8_t line_len;
static uint8_t line_state;
static uint8_t weekday_kept;      /* the weekday EEPROM names as the one run last */
static uint8_t light;
static uint8_t eval_due;
static uint32_t eval_seconds;
static uint16_t eval_day;
static struct dw_button button;
/* The offset and its changes go to EEPROM once no line came for this
 * long: a dated set and its "o" lines come back to back, and writing after
 * each would fill the receive ring. */
#define KEEP_QUIET_MS 500U
static uint16_t line_ms;
/* When the LF of the line being handled arrived: a set of the clock is as
 * of then, even when an EEPROM store before it held the main loop up. An
 * age past this bound is no LF the ring held but a count gone round. */
#define LINE_AGE_MAX 5000U
static uint16_t line_end_ms;
static uint8_t line_end_known;

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
    static const char letters[] = {DW_CMD_SET_TIME, DW_CMD_STORE_A, DW_CMD_STORE_B, DW_CMD_GET_TIME, DW_CMD_GET_A,
                                   DW_CMD_GET_B, DW_CMD_STATUS, DW_CMD_SET_PRECISE, DW_CMD_GET_PRECISE,
                                   DW_CMD_OFFSET_CHANGE, DW_CMD_STORE_DAY, DW_CMD_GET_DAY, DW_CMD_PLACE,
                                   DW_CMD_DARK, DW_CMD_AWAY, DW_CMD_LIGHT};
    char cmd = '?';
    for (uint8_t i = 0; line_len && i < sizeof letters; ++i)
        if (line[0] == letters[i])
            cmd = line[0];
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
    dw_light_init();
    dw_module_start();
    put_str(dw_hal_clock_known() ? DW_GREETING : DW_GREETING_NOT_SET);
    put_str(DW_GREETING_WEEK);
    put_str(DW_GREETING_SUN);
    answer(DW_GREETING_PRECISE);
    eval_due = 1;
    dw_board_poll();
}

/* A press of the button: a short one flips the light until the automatic
 * light next changes, or ends a held light; a long one flips it and holds
 * it. */
static void press(uint8_t kind, uint16_t day, uint32_t s)
{
    uint16_t d;
    uint32_t until;
    const uint8_t mode = dw_light_mode(&d, &until);
    if (kind == DW_BUTTON_LONG)
        dw_light_manual(light ? DW_MANUAL_HELD_OFF : DW_MANUAL_HELD_ON, 0, 0);
    else if (mode == DW_MANUAL_HELD_OFF || mode == DW_MANUAL_HELD_ON)
        dw_light_manual(DW_MANUAL_AUTO, 0, 0);
    else
        dw_light_flip(day, s, !light);
    eval_due = 1;
}

void dw_board_poll(void)
{
    uint32_t s;
    uint16_t day;
    if (dw_time_change_due(&s, &day)) {
        uint16_t ms;
        dw_hal_clock_get_ms(&ms);
        dw_module_set_clock(s, ms, day);
        dw_light_stale();    /* the offset that day's sun is reckoned in */
        eval_due = 1;
    }
    dw_module_poll();
    if ((uint16_t)(dw_hal_ms() - line_ms) >= KEEP_QUIET_MS)
        dw_time_keep();
    /* the light is what today's plan says now, from the date and time
     * alone: whatever set the clock or moved the date, midnight included */
    day = today(&s);
    const uint8_t kind = dw_button_step(&button, dw_hal_button(), dw_hal_ms());
    if (kind)
        press(kind, day, s);
    if (!eval_due && s == eval_seconds && day == eval_day)
        return;
    eval_due = 0;
    eval_seconds = s;
    eval_day = day;
    light = dw_light_now(day, s);
    dw_hal_light(light);
    const uint8_t wd = dw_weekday(day);
    if (wd != weekday_kept) {   /* for a start that will not know the date */
        weekday_kept = wd;
        dw_week_keep_run(wd);
    }
}

uint8_t dw_board_light(void)
{
    return light;
}

static void put_weekday(uint8_t wd)
{
    for (uint8_t i = 0; i < 3; ++i)
        dw_hal_putc(DW_WEEKDAY_NAMES[wd * 3U + i]);
}

/* A line changed what the light follows: the plans are made again and the
 * light set at once. */
static void changed(void)
{
    dw_light_stale();
    eval_due = 1;
    dw_board_poll();
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
    changed();                /* what the EEPROM now holds drives the light */
}

/* Milliseconds since the line being handled ended. */
static uint16_t line_age(void)
{
    const uint16_t age = (uint16_t)(dw_hal_ms() - line_end_ms);
    return line_end_known && age < LINE_AGE_MAX ? age : 0;
}

/* `t hh:mm` sets the seconds to 0; `p S.mmm` sets the time to the
 * millisecond as of the line's end, whenever the line is handled. A `p` may
 * name the date and the UTC offset too ("p S.mmm yyyy-mm-dd +M"). */
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
        for (ms = (uint16_t)(ms + line_age()); ms >= 1000U; ms = (uint16_t)(ms - 1000U))
            if (++s == DW_DAY_SECONDS) {
                s = 0;
                if (dw_date_known(day))
                    ++day;
            }
        dw_time_precise_set(s, ms, day, offset);
    } else {
        day = dw_hal_clock_day();
        dw_time_other_set(s);
    }
    dw_module_set_clock(s, ms, day);
    changed();
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
    changed();
}

/* n digits at p as a number; 0 when n is 0 or above 7 or one is no digit. */
static uint8_t number(const char *p, uint8_t n, uint32_t *v)
{
    if (!n || n > 7)
        return 0;
    uint32_t x = 0;
    while (n--) {
        if (*p < '0' || *p > '9')
            return 0;
        x = x * 10U + (uint8_t)(*p++ - '0');
    }
    *v = x;
    return 1;
}

/* "+D" or "-D", n chars; *v the magnitude, the sign returned as -1/+1, 0
 * when malformed. */
static int8_t signed_number(const char *p, uint8_t n, uint32_t *v)
{
    if (n < 2 || (p[0] != '+' && p[0] != '-') || !number(p + 1, (uint8_t)(n - 1U), v))
        return 0;
    return p[0] == '-' ? -1 : 1;
}

/* "+52.50", n chars: hundredths of a degree, two decimals, sign always. */
static uint8_t degrees(const char *p, uint8_t n, uint16_t max, int16_t *v)
{
    uint32_t whole, frac;
    if (n < 5 || n > 7 || p[n - 3U] != '.' || !number(p + n - 2U, 2, &frac))
        return 0;
    const int8_t sign = signed_number(p, (uint8_t)(n - 3U), &whole);
    if (!sign || whole * 100U + frac > max)
        return 0;
    *v = (int16_t)(sign * (int16_t)(whole * 100U + frac));
    return 1;
}

/* Whether the line from position at on is exactly w. */
static uint8_t line_is(uint8_t at, const char *w)
{
    while (*w)
        if (at >= line_len || line[at++] != *w++)
            return 0;
    return at == line_len;
}

static void put_u32(uint32_t v)
{
    char num[11];
    dw_format_u32(v, num);
    put_str(num);
}

static void put_degrees(int16_t v)
{
    const uint16_t m = (uint16_t)(v < 0 ? -v : v);
    dw_hal_putc(v < 0 ? '-' : '+');
    put_u32(m / 100U);
    dw_hal_putc('.');
    dw_hal_putc((char)('0' + m / 10U % 10U));
    dw_hal_putc((char)('0' + m % 10U));
}

/* "g+52.50 +13.37", "g none"; "g" answers the line for what is held. */
static void place_line(void)
{
    struct dw_place place;
    if (line_len == 1) {
        accepted(DW_CMD_PLACE);
        dw_hal_putc(DW_CMD_PLACE);
        if (dw_place_get(&place)) {
            put_degrees(place.lat);
            dw_hal_putc(' ');
            put_degrees(place.lon);
            answer("");
        } else {
            answer(DW_PLACE_NONE);
        }
        return;
    }
    const uint8_t none = line_is(1, DW_PLACE_NONE);
    if (!none) {
        if (line_len < 12 || line_len > 15) {
            refuse(DW_REFUSED_LENGTH);
            return;
        }
        uint8_t sp = 2;
        while (sp < line_len && line[sp] != ' ')
            ++sp;
        if (sp >= line_len || !degrees(line + 1, (uint8_t)(sp - 1U), 9000U, &place.lat) ||
            !degrees(line + sp + 1, (uint8_t)(line_len - sp - 1U), 18000U, &place.lon)) {
            refuse(DW_REFUSED_DIGIT);
            return;
        }
    }
    accepted(DW_CMD_PLACE);
    dw_place_set(none ? 0 : &place);
    changed();
}

/* "d3s +30 -15", "d3c +0 +0", "d3n"; "d3" answers that weekday's line. */
static void dark_line(void)
{
    if (line_len < 2) {
        refuse(DW_REFUSED_LENGTH);
        return;
    }
    if (line[1] < '1' || line[1] > (char)('0' + DW_WEEKDAYS)) {
        refuse(DW_REFUSED_DIGIT);
        return;
    }
    const uint8_t wd = (uint8_t)(line[1] - '1');
    struct dw_dark dark;
    if (line_len == 2) {
        accepted(DW_CMD_DARK);
        dw_dark_get(wd, &dark);
        dw_hal_putc(DW_CMD_DARK);
        dw_hal_putc(line[1]);
        dw_hal_putc(dark.mode == DW_DARK_SUN ? DW_DARK_SUNSET : dark.mode == DW_DARK_TWILIGHT ? DW_DARK_CIVIL : DW_DARK_NONE);
        if (dark.mode) {
            dw_hal_putc(' ');
            put_signed(dark.dusk);
            dw_hal_putc(' ');
            put_signed(dark.dawn);
        }
        answer("");
        return;
    }
    const char m = line[2];
    dark.mode = m == DW_DARK_SUNSET ? DW_DARK_SUN : m == DW_DARK_CIVIL ? DW_DARK_TWILIGHT : DW_DARK_OFF;
    dark.dusk = dark.dawn = 0;
    if (dark.mode == DW_DARK_OFF && m != DW_DARK_NONE) {
        refuse(DW_REFUSED_DIGIT);
        return;
    }
    if (dark.mode == DW_DARK_OFF ? line_len != 3 : line_len < 9 || line_len > 13) {
        refuse(DW_REFUSED_LENGTH);
        return;
    }
    if (dark.mode) {
        uint8_t sp = 5;
        while (sp < line_len && line[sp] != ' ')
            ++sp;
        uint32_t dusk, dawn;
        const int8_t dusk_sign = signed_number(line + 4, (uint8_t)(sp - 4U), &dusk);
        const int8_t dawn_sign = sp < line_len ? signed_number(line + sp + 1, (uint8_t)(line_len - sp - 1U), &dawn) : 0;
        if (line[3] != ' ' || !dusk_sign || !dawn_sign) {
            refuse(DW_REFUSED_DIGIT);
            return;
        }
        if (dusk > DW_DARK_SHIFT_MAX || dawn > DW_DARK_SHIFT_MAX) {
            refuse(DW_REFUSED_TIME);
            return;
        }
        dark.dusk = (int8_t)(dusk_sign * (int8_t)dusk);
        dark.dawn = (int8_t)(dawn_sign * (int8_t)dawn);
    }
    accepted(DW_CMD_DARK);
    dw_dark_set(wd, &dark);
    dw_light_stale_weekday(wd);
    eval_due = 1;
    dw_board_poll();
}

/* "v30", "v30 2026-12-20 2027-01-06", "v0"; "v" answers the line. */
static void away_line(void)
{
    struct dw_away away;
    if (line_len == 1) {
        accepted(DW_CMD_AWAY);
        dw_away_get(&away);
        dw_hal_putc(DW_CMD_AWAY);
        put_u32(away.minutes);
        if (away.minutes && away.first != DW_PLAN_NO_DATE) {
            char date[11];
            for (uint8_t k = 0; k < 2; ++k) {
                dw_format_date(k ? away.last : away.first, date);
                dw_hal_putc(' ');
                put_str(date);
            }
        }
        answer("");
        return;
    }
    /* the minutes end where the dates begin */
    const uint8_t n = line_len > 3 ? (uint8_t)(line_len - 22U) : line_len;
    if (line_len > 3 && (line_len < 24 || line_len > 25 || line[n] != ' ' || line[n + 11U] != ' ')) {
        refuse(DW_REFUSED_LENGTH);
        return;
    }
    uint32_t minutes;
    if (!number(line + 1, (uint8_t)(n - 1U), &minutes)) {
        refuse(DW_REFUSED_DIGIT);
        return;
    }
    if (minutes > DW_AWAY_MAX) {
        refuse(DW_REFUSED_TIME);
        return;
    }
    away.minutes = (uint8_t)minutes;
    away.first = away.last = DW_PLAN_NO_DATE;
    if (n != line_len &&
        (!dw_parse_date(line + n + 1, &away.first) || !dw_parse_date(line + n + 12, &away.last) || away.first > away.last)) {
        refuse(DW_REFUSED_DATE);
        return;
    }
    if (!minutes)
        away.first = away.last = DW_PLAN_NO_DATE;
    accepted(DW_CMD_AWAY);
    dw_away_set(&away);
    changed();
}

/* What the light by hand is ("on until 23:00", "off held", "on until Thu
 * 07:48" on a later day than today), after "light " or " manual ". */
static void put_manual(uint8_t mode, uint16_t today_is)
{
    uint16_t day;
    uint32_t until;
    dw_light_mode(&day, &until);
    /* the words after "light " */
    put_str((mode & 1U ? DW_LIGHT_ON : DW_LIGHT_OFF) + sizeof "light");
    if (mode == DW_MANUAL_HELD_OFF || mode == DW_MANUAL_HELD_ON) {
        put_str(DW_LIGHT_HELD);
        return;
    }
    put_str(DW_LIGHT_UNTIL);
    if (day != today_is) {
        put_weekday(dw_weekday(day));
        dw_hal_putc(' ');
    }
    char hms[9];
    dw_format_hms(until, hms);
    hms[5] = 0;
    put_str(hms);
}

/* "m1"/"m0" until the automatic light next changes, "m1 h" held, "m1 +S"
 * for S seconds, "ma" automatic, "m" asks; each answers what is in force. */
static void light_line(void)
{
    uint32_t s;
    uint16_t day = today(&s);
    if (line_len > 1) {
        const char a = line[1];
        if (a != '0' && a != '1' && a != DW_LIGHT_AUTO_ARG) {
            refuse(DW_REFUSED_DIGIT);
            return;
        }
        if (a == DW_LIGHT_AUTO_ARG ? line_len != 2 : line_len == 3 || line_len > 10) {
            refuse(DW_REFUSED_LENGTH);
            return;
        }
        uint32_t secs = 0;
        if (line_len == 4 ? !line_is(2, DW_LIGHT_HELD_ARG)
                          : line_len > 4 && (line[2] != ' ' || line[3] != '+' || !number(line + 4, (uint8_t)(line_len - 4U), &secs))) {
            refuse(DW_REFUSED_DIGIT);
            return;
        }
        if ((line_len > 4 && (secs < 60U || secs > DW_LIGHT_FOR_MAX)) || (a != DW_LIGHT_AUTO_ARG && !dw_hal_clock_known())) {
            refuse(DW_REFUSED_TIME);
            return;
        }
        accepted(DW_CMD_LIGHT);
        const uint8_t on = a == '1';
        if (a == DW_LIGHT_AUTO_ARG)
            dw_light_manual(DW_MANUAL_AUTO, 0, 0);
        else if (line_len == 4)
            dw_light_manual(on ? DW_MANUAL_HELD_ON : DW_MANUAL_HELD_OFF, 0, 0);
        else if (line_len > 4)
            dw_light_for(day, s, on, secs);
        else
            dw_light_flip(day, s, on);
        eval_due = 1;
        dw_board_poll();
        day = today(&s);
    } else {
        accepted(DW_CMD_LIGHT);
    }
    uint16_t d;
    uint32_t until;
    const uint8_t mode = dw_light_mode(&d, &until);
    if (!mode) {
        answer(DW_LIGHT_AUTO);
        return;
    }
    put_str("light ");
    put_manual(mode, day);
    answer("");
}

static void send_status(void)
{
    dw_board_poll();   /* the light and today's plan as of now */
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
    uint16_t bound_day;
    uint32_t bound_s;
    const uint8_t mode = dw_light_mode(&bound_day, &bound_s);
    if (mode) {
        put_str(DW_STATUS_MANUAL);
        put_manual(mode, day);
    }
    const struct dw_plan *plan = dw_light_plan();
    if (plan->away) {
        put_str(DW_STATUS_AWAY);
        put_u32(plan->away);
    }
    if (plan->dark_ignored)
        put_str(plan->dark_ignored == DW_PLAN_NO_PLACE ? DW_STATUS_NO_PLACE : DW_STATUS_NO_DATE);
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
    case DW_CMD_PLACE:
        place_line();
        return;
    case DW_CMD_DARK:
        dark_line();
        return;
    case DW_CMD_AWAY:
        away_line();
        return;
    case DW_CMD_LIGHT:
        light_line();
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

void dw_board_line_end(uint16_t ms)
{
    line_end_ms = ms;
    line_end_known = 1;
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
    line_end_known = 0;
    line_ms = dw_hal_ms();
}
