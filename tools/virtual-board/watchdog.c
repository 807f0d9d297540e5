/* SPDX-License-Identifier: GPL-3.0-or-later */
/* The chip's watchdog oscillator: a 128 kHz RC of its own, apart from the
 * crystal. simavr counts the watchdog's time-outs in CPU cycles, as if the
 * crystal drove it; here they run on the host's clock (off by
 * --watchdog-error), whatever --clock-error does to the crystal. The same
 * oscillator times the chip's reset time-out: after any reset the chip
 * waits 8K of its cycles before it starts (tTOUT, 65 ms with the Uno's and
 * the Nano's fuses, SUT = 11), which simavr does not model either. */
#include "virtual_board.h"

#include <avr_watchdog.h>

#define WDT_HZ 128000.0
/* 14 CK (under a microsecond) and 8K watchdog cycles */
#define TIMEOUT_CYCLES 8192ul

static avr_watchdog_t *wdt;
static avr_io_write_t simavr_write;
static void *simavr_param;

/* Host seconds of n watchdog cycles. */
static double wdt_seconds(unsigned long n)
{
    return n / (WDT_HZ * (1.0 + vb.wdt_error / 1e6));
}

double reset_timeout(void)
{
    return wdt_seconds(TIMEOUT_CYCLES);
}

/* After simavr set the watchdog's time-out in crystal cycles: the same
 * time-out on the watchdog's own oscillator. A count simavr just started is
 * started again at its true length; one already running goes on. */
void watchdog_follow(void)
{
    if (!wdt)
        return;
    const uint8_t wdp = avr_regbit_get_array(vb.avr, wdt->wdp, 4);
    const avr_cycle_count_t nominal = ((avr_cycle_count_t)2048 << wdp) * vb.avr->frequency / 128000;
    wdt->cycle_count = (avr_cycle_count_t)(wdt_seconds(2048ul << wdp) * vb.cycles_per_s + 0.5);
    for (avr_cycle_timer_slot_p t = vb.avr->cycle_timers.timer; t; t = t->next) {
        if (t->param != wdt)
            continue;
        if (t->when == vb.avr->cycle + nominal && nominal != wdt->cycle_count)
            avr_cycle_timer_register(vb.avr, wdt->cycle_count, t->timer, wdt);
        break;
    }
}

/* Every write to WDTCSR goes through simavr's handler first. */
static void wdtcsr_written(avr_t *avr, avr_io_addr_t addr, uint8_t v, void *param)
{
    (void)param;
    simavr_write(avr, addr, v, simavr_param);
    watchdog_follow();
}

void watchdog_attach(void)
{
    for (avr_io_t *io = vb.avr->io_port; io; io = io->next)
        if (io->kind && strcmp(io->kind, "watchdog") == 0)
            wdt = (avr_watchdog_t *)io;
    if (!wdt)
        die("simavr's %s has no watchdog", vb.fw.mmcu);
    const avr_io_addr_t a = AVR_DATA_TO_IO(wdt->wdce.reg);
    simavr_write = vb.avr->io[a].w.c;
    simavr_param = vb.avr->io[a].w.param;
    if (!simavr_write)
        die("simavr's watchdog takes no writes");
    vb.avr->io[a].w.c = wdtcsr_written;
    vb.avr->io[a].w.param = NULL;
}
