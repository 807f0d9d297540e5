/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Where the chip's timing differs from simavr's: what a reset's hold is
 * made of has to be the chip's, since the firmware reckons it.
 *  - The watchdog runs on a 128 kHz RC oscillator of its own, apart from
 *    the crystal. simavr counts its time-outs in CPU cycles, as if the
 *    crystal drove it; here they run on the host's clock (off by
 *    --watchdog-error), whatever --clock-error does to the crystal.
 *  - The same oscillator times the chip's reset time-out: after any reset
 *    the chip waits 8K of its cycles before it starts (tTOUT, 65 ms with
 *    the Uno's and the Nano's fuses, SUT = 11), which simavr leaves out.
 *  - A count written to a timer's TCNT is placed by simavr as its share of
 *    the top value, not of top + 1: the timer runs a count early, 64 us at
 *    each of Optiboot's LED flashes (clk/1024). */
#include "virtual_board.h"

#include <avr_timer.h>
#include <avr_watchdog.h>

#define WDT_HZ 128000.0
/* 14 CK (under a microsecond) and 8K watchdog cycles */
#define TIMEOUT_CYCLES 8192ul

/* simavr's write handlers this file goes through first */
struct hook {
    avr_io_write_t write;
    void *param;
    void *part;
};
static struct hook hooks[8];
static int hooks_used;

static avr_watchdog_t *wdt;

/* Puts fn after simavr's own handler for writes to addr, where it has one
 * (a 16-bit TCNT's high byte only waits for the low one). */
static void hook_write(avr_io_addr_t addr, avr_io_write_t fn, void *part)
{
    const avr_io_addr_t a = AVR_DATA_TO_IO(addr);
    if (!vb.avr->io[a].w.c)
        return;
    if (hooks_used == (int)(sizeof hooks / sizeof hooks[0]))
        die("too many of simavr's writes to follow");
    hooks[hooks_used] = (struct hook){vb.avr->io[a].w.c, vb.avr->io[a].w.param, part};
    vb.avr->io[a].w.c = fn;
    vb.avr->io[a].w.param = &hooks[hooks_used++];
}

/* Moves the pending events of part (a timer, the watchdog) later by later
 * cycles (earlier when negative, at the soonest now). Only those due at
 * when, unless when is 0. */
static void move_events(void *part, avr_cycle_count_t when, int64_t later)
{
    struct { avr_cycle_timer_t fn; avr_cycle_count_t when; } ev[MAX_CYCLE_TIMERS];
    int n = 0;
    for (avr_cycle_timer_slot_p t = vb.avr->cycle_timers.timer; t; t = t->next)
        if (t->param == part && (!when || t->when == when))
            ev[n++] = (typeof(ev[0])){t->timer, t->when};
    const avr_cycle_count_t now = vb.avr->cycle;
    for (int i = 0; i < n; ++i) {
        const int64_t in = (int64_t)(ev[i].when - now) + later;
        avr_cycle_timer_register(vb.avr, in > 0 ? (avr_cycle_count_t)in : 0, ev[i].fn, part);
    }
}

/* Host seconds of n watchdog cycles. */
static double wdt_seconds(unsigned long n)
{
    return n / (WDT_HZ * (1.0 + vb.wdt_error / 1e6));
}

double reset_timeout(void)
{
    return wdt_seconds(TIMEOUT_CYCLES);
}

static uint8_t wdt_prescale(void)
{
    return avr_regbit_get_array(vb.avr, wdt->wdp, 4);
}

/* After simavr set the watchdog's time-out in crystal cycles: the same
 * time-out on the watchdog's own oscillator. A count simavr just started is
 * started again at its true length; one already running goes on. */
void watchdog_follow(void)
{
    if (!wdt)
        return;
    const uint8_t wdp = wdt_prescale();
    const avr_cycle_count_t nominal = ((avr_cycle_count_t)2048 << wdp) * vb.avr->frequency / 128000;
    wdt->cycle_count = (avr_cycle_count_t)(wdt_seconds(2048ul << wdp) * vb.cycles_per_s + 0.5);
    move_events(wdt, vb.avr->cycle + nominal, (int64_t)wdt->cycle_count - (int64_t)nominal);
}

/* A new prescaler takes effect on the count that runs, from where it
 * started; simavr (reading the old prescaler after the write) left that
 * count at its old length. */
static void wdtcsr_written(avr_t *avr, avr_io_addr_t addr, uint8_t v, void *param)
{
    const struct hook *h = param;
    const uint8_t wdp = wdt_prescale();
    const avr_cycle_count_t period = wdt->cycle_count;
    h->write(avr, addr, v, h->param);
    watchdog_follow();
    if (wdt_prescale() == wdp)
        return;
    /* the time-out, not the 4 cycles WDCE stays set */
    avr_cycle_count_t due = 0;
    for (avr_cycle_timer_slot_p t = avr->cycle_timers.timer; t; t = t->next)
        if (t->param == wdt && t->when > due)
            due = t->when;
    if (due > avr->cycle + 4 && due != avr->cycle + wdt->cycle_count)
        move_events(wdt, due, (int64_t)wdt->cycle_count - (int64_t)period);
}

/* simavr put the count written tcnt * cycles / top cycles past the last
 * overflow; the chip has it tcnt * cycles / (top + 1). */
static void tcnt_written(avr_t *avr, avr_io_addr_t addr, uint8_t v, void *param)
{
    const struct hook *h = param;
    h->write(avr, addr, v, h->param);
    avr_timer_t *p = h->part;
    if (!p->tov_top || p->tov_cycles <= 1 || (p->ext_clock_flags & (AVR_TIMER_EXTCLK_FLAG_TN | AVR_TIMER_EXTCLK_FLAG_AS2)))
        return;
    uint64_t tcnt = avr->data[p->r_tcnt] | (p->r_tcnth ? avr->data[p->r_tcnth] << 8 : 0);
    if (tcnt >= p->tov_top)
        tcnt = 0;
    const avr_cycle_count_t early = tcnt * p->tov_cycles / p->tov_top - tcnt * p->tov_cycles / (p->tov_top + 1u);
    if (!early)
        return;
    p->tov_base += early;
    move_events(p, 0, (int64_t)early);
}

void timing_attach(void)
{
    for (avr_io_t *io = vb.avr->io_port; io; io = io->next) {
        if (!io->kind)
            continue;
        if (strcmp(io->kind, "watchdog") == 0) {
            wdt = (avr_watchdog_t *)io;
            hook_write(wdt->wdce.reg, wdtcsr_written, wdt);
        } else if (strcmp(io->kind, "timer") == 0) {
            avr_timer_t *t = (avr_timer_t *)io;
            hook_write(t->r_tcnt, tcnt_written, t);
            if (t->r_tcnth)
                hook_write(t->r_tcnth, tcnt_written, t);
        }
    }
    if (!wdt || vb.avr->io[AVR_DATA_TO_IO(wdt->wdce.reg)].w.c != wdtcsr_written)
        die("simavr's %s has no watchdog to follow", vb.fw.mmcu);
}
