// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_board.h"
#include "dw_clock.h"
#include "dw_hal.h"
#include "dw_rx.h"
#include "dw_store.h"

enum { LINE_OK = 0, LINE_TOO_LONG = 1, LINE_DAMAGED = 2 };

static char line[DW_LINE_MAX];
static uint8_t line_len;
static uint8_t line_state;
static uint8_t pattern[DW_PATTERN_BYTES];
static uint8_t stored_mask;       /* bit 0: half a stored, bit 1: half b */
static uint8_t light;
static uint8_t eval_due;
static uint32_t eval_seconds;

/* The clock module: none answered at start; fitted but not giving the time
 * (oscillator stopped, or it stopped answering); giving the time. */
enum { MODULE_NONE, MODULE_IDLE, MODULE_RUNNING };
static uint8_t module;
static uint16_t module_minute;    /* the board's minute the module was last read in */

/* Refusals not yet made good, for the status line: a sender that reads no
 * answers (set commands are silent) still learns that a line was refused.
 * One slot each for t, a and b, cleared by the next accepted line of that
 * letter; one shared slot for the queries and for lines with no command
 * letter ('?'). A query's refusal is cleared by that query accepted, a '?'
 * one by any accepted line except `s`, which reports it. */
enum { KIND_T, KIND_A, KIND_B, KIND_OTHER, KINDS };
static struct {
    char cmd;           /* command letter, or '?' */
    const char *why;    /* reason as in the error answer; 0: none */
} refused[KINDS];

static void put_str(const char *s)
{
    while (*s)
        dw_hal_putc(*s++);
}

static void answer(const char *s)
{
    put_str(s);
    dw_hal_putc('\r');
    dw_hal_putc('\n');
}

static uint8_t kind_of(char cmd)
{
    return cmd == DW_CMD_SET_TIME ? KIND_T : cmd == DW_CMD_STORE_A ? KIND_A : cmd == DW_CMD_STORE_B ? KIND_B : KIND_OTHER;
}

/* Refuses the line being handled and remembers it under its letter. Only
 * known command letters are kept: any other byte, a CR or LF among them,
 * must not reach the status line. */
static void refuse(const char *why)
{
    char cmd = line_len ? line[0] : '?';
    if (cmd != DW_CMD_SET_TIME && cmd != DW_CMD_STORE_A && cmd != DW_CMD_STORE_B && cmd != DW_CMD_GET_TIME
        && cmd != DW_CMD_GET_A && cmd != DW_CMD_GET_B && cmd != DW_CMD_STATUS && cmd != DW_CMD_SET_PRECISE
        && cmd != DW_CMD_GET_PRECISE)
        cmd = '?';
    uint8_t k = kind_of(cmd);
    refused[k].cmd = cmd;
    refused[k].why = why;
    put_str(DW_ERROR_PREFIX);
    answer(why);
}

static void accepted(char cmd)
{
    uint8_t k = kind_of(cmd);
    if (refused[k].cmd == cmd)
        refused[k].why = 0;
    if (refused[KIND_OTHER].cmd == '?' && cmd != DW_CMD_STATUS)
        refused[KIND_OTHER].why = 0;
}

uint8_t dw_light_at(const uint8_t *p, uint32_t s)
{
    uint8_t e = dw_quarter_entry(s);
    return (uint8_t)((p[e >> 3] >> (e & 7U)) & 1U);
}

static void load_half(uint8_t half)
{
    if (dw_store_load(half, pattern + half * DW_HALF_BYTES))
        stored_mask |= (uint8_t)(1U << half);
    else
        stored_mask &= (uint8_t)~(1U << half);
}

/* Reads the module and, when it runs, sets the board's tick from it: the
 * module keeps the better time. */
static void module_sync(void)
{
    uint8_t regs[3];
    uint32_t s;
    module_minute = (uint16_t)(dw_hal_clock_get() / 60U);   /* a failed read waits a minute too */
    if (!dw_hal_i2c_read(DW_MODULE_ADDR, 0, regs, sizeof regs)) {
        if (module != MODULE_NONE)
            module = MODULE_IDLE;
        return;
    }
    if (!dw_module_decode(regs, &s)) {
        module = MODULE_IDLE;
    } else {
        module = MODULE_RUNNING;
        if (s != dw_hal_clock_get() || !dw_hal_clock_known())
            dw_hal_clock_set(s, 0);
    }
    module_minute = (uint16_t)(dw_hal_clock_get() / 60U);
}

void dw_board_init(void)
{
    line_len = 0;
    line_state = LINE_OK;
    stored_mask = 0;
    for (uint8_t k = 0; k < KINDS; ++k)
        refused[k].why = 0;
    load_half(0);
    load_half(1);
    module = MODULE_NONE;
    module_sync();
    put_str(dw_hal_clock_known() ? DW_GREETING : DW_GREETING_NOT_SET);
    answer(DW_GREETING_PRECISE);
    eval_due = 1;
    dw_board_poll();
}

void dw_board_poll(void)
{
    if (module != MODULE_NONE && dw_hal_clock_get() / 60U != module_minute)
        module_sync();          /* once a minute: the tick drifts, the module hardly */
    uint32_t s = dw_hal_clock_get();
    if (!eval_due && s == eval_seconds)
        return;
    eval_due = 0;
    eval_seconds = s;
    light = dw_light_at(pattern, s);
    dw_hal_light(light);
}

uint8_t dw_board_light(void)
{
    return light;
}

static void send_half(uint8_t half)
{
    uint8_t bits[DW_HALF_BYTES];
    dw_store_load(half, bits);
    dw_hal_putc((char)(DW_CMD_STORE_A + half));
    for (uint8_t k = 0; k < DW_HALF_ENTRIES; ++k)
        dw_hal_putc((bits[k >> 3] >> (k & 7U)) & 1U ? '1' : '0');
    answer("");
}

static void store_half(uint8_t half)
{
    if (line_len != 1U + DW_HALF_ENTRIES) {
        refuse("bad length");
        return;
    }
    uint8_t bits[DW_HALF_BYTES] = {0};
    for (uint8_t k = 0; k < DW_HALF_ENTRIES; ++k) {
        char c = line[1 + k];
        if (c != '0' && c != '1') {
            refuse("bad digit");
            return;
        }
        if (c == '1')
            bits[k >> 3] |= (uint8_t)(1U << (k & 7U));
    }
    accepted(line[0]);
    dw_store_save(half, bits);
    load_half(half);          /* what the EEPROM now holds drives the light */
    eval_due = 1;
    dw_board_poll();
}

/* `t hh:mm` sets the seconds to 0; `p S.mmm` sets the time to the
 * millisecond, as of the line's end, which is now: lines are handled as they
 * end. */
static void set_time(void)
{
    uint32_t s;
    uint16_t ms = 0;
    const uint8_t precise = line[0] == DW_CMD_SET_PRECISE;
    if (precise ? line_len < 6 || line_len > 10 : line_len != 6) {
        refuse("bad length");
        return;
    }
    if (precise ? !dw_parse_precise(line + 1, (uint8_t)(line_len - 1), &s, &ms) : !dw_parse_hhmm(line + 1, &s)) {
        refuse("bad time");
        return;
    }
    accepted(line[0]);
    dw_hal_clock_set(s, ms);
    if (module != MODULE_NONE) {
        uint8_t regs[3];
        dw_module_encode(s, regs);
        module = dw_hal_i2c_write(DW_MODULE_ADDR, 0, regs, sizeof regs) ? MODULE_RUNNING
                                                                       : MODULE_IDLE;
        module_minute = (uint16_t)(s / 60U);
    }
    eval_due = 1;
    dw_board_poll();
}

static void send_status(void)
{
    char hms[9];
    dw_format_hms(dw_hal_clock_get(), hms);
    put_str("time ");
    put_str(hms);
    if (!dw_hal_clock_known())
        put_str(DW_STATUS_NOT_SET);
    else if (module == MODULE_RUNNING)
        put_str(DW_STATUS_MODULE);
    put_str(light ? " light on" : " light off");
    put_str(stored_mask == 3 ? " pattern stored"
            : stored_mask ? " pattern partial" : " pattern none");
    for (uint8_t k = 0; k < KINDS; ++k) {
        if (!refused[k].why)
            continue;
        put_str("; refused ");
        dw_hal_putc(refused[k].cmd);
        put_str(": ");
        put_str(refused[k].why);
    }
    answer("");
}

static void execute(void)
{
    if (line_len == 0) {
        refuse("empty line");
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
        store_half((uint8_t)(cmd - DW_CMD_STORE_A));
        return;
    case DW_CMD_GET_TIME:
    case DW_CMD_GET_A:
    case DW_CMD_GET_B:
    case DW_CMD_STATUS:
    case DW_CMD_GET_PRECISE:
        break;
    default:
        refuse("unknown command");
        return;
    }
    if (line_len != 1) {
        refuse("bad length");
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
        answer(num);
    } else if (cmd == DW_CMD_STATUS) {
        send_status();
    } else {
        send_half(cmd == DW_CMD_GET_A ? 0 : 1);
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
        refuse("line too long");
    else if (line_state == LINE_DAMAGED)
        refuse("input lost");
    else
        execute();
    line_len = 0;
    line_state = LINE_OK;
}

uint8_t dw_rx_step(volatile struct dw_rx *r)
{
    if (r->lost && r->tail == r->lost_at) {
        r->lost = 0;
        dw_board_rx_error();
    }
    if (r->tail == r->head)
        return 0;
    uint8_t c = r->buf[r->tail];
    r->tail = (uint8_t)(r->tail + 1U);
    dw_board_rx(c);
    return 1;
}
