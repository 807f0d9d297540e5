#include "dw_board.h"
#include "dw_clock.h"
#include "dw_hal.h"
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

static void refuse(const char *why)
{
    put_str("error: ");
    answer(why);
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

void dw_board_init(void)
{
    line_len = 0;
    line_state = LINE_OK;
    stored_mask = 0;
    load_half(0);
    load_half(1);
    answer(DW_GREETING);
    eval_due = 1;
    dw_board_poll();
}

void dw_board_poll(void)
{
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
    dw_hal_putc((char)('a' + half));
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
    dw_store_save(half, bits);
    load_half(half);          /* what the EEPROM now holds drives the light */
    eval_due = 1;
    dw_board_poll();
}

static void set_time(void)
{
    uint32_t s;
    if (line_len != 6) {
        refuse("bad length");
        return;
    }
    if (!dw_parse_hhmm(line + 1, &s)) {
        refuse("bad time");
        return;
    }
    dw_hal_clock_set(s);
    eval_due = 1;
    dw_board_poll();
}

static void send_status(void)
{
    char hms[9];
    dw_format_hms(dw_hal_clock_get(), hms);
    put_str("time ");
    put_str(hms);
    put_str(light ? " light on" : " light off");
    answer(stored_mask == 3 ? " pattern stored"
           : stored_mask ? " pattern partial" : " pattern none");
}

static void execute(void)
{
    if (line_len == 0) {
        refuse("empty line");
        return;
    }
    char cmd = line[0];
    switch (cmd) {
    case 't':
        set_time();
        return;
    case 'a':
    case 'b':
        store_half((uint8_t)(cmd - 'a'));
        return;
    case 'z':
    case 'f':
    case 'e':
    case 's':
        break;
    default:
        refuse("unknown command");
        return;
    }
    if (line_len != 1) {
        refuse("bad length");
        return;
    }
    if (cmd == 'z') {
        char num[11];
        dw_format_u32(dw_hal_clock_get(), num);
        answer(num);
    } else if (cmd == 's') {
        send_status();
    } else {
        send_half(cmd == 'f' ? 0 : 1);
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
