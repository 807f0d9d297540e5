// SPDX-License-Identifier: GPL-3.0-or-later
/* A benchmark, not a test: the sun and the plan on the board's chip, built
 * with the firmware's flags (plan/CMakeLists.txt) and run by hand:
 *   simavr build/plan/bench_plan_avr.elf
 * Timer1 counts every cycle; the lines go out through simavr's console
 * register (GPIOR0), which costs the chip no time. */
#include "plan/dw_plan.h"

#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>
#include <avr/avr_mcu_section.h>   /* simavr's, found after avr-libc's */
#include <stdlib.h>

AVR_MCU(16000000, "atmega328p");
AVR_MCU_SIMAVR_CONSOLE(&GPIOR0);

static volatile uint16_t wraps;
ISR(TIMER1_OVF_vect) { wraps++; }

static uint32_t now(void)
{
    cli();
    uint16_t low = TCNT1;
    uint16_t high = wraps;
    if ((TIFR1 & _BV(TOV1)) && low < 0x8000U) {   /* wrapped, not yet counted */
        high++;
    }
    sei();
    return (uint32_t)high << 16 | low;
}

static void put(const char *s)
{
    for (; *s; s++) {
        GPIOR0 = (uint8_t)*s;
    }
}

static void report(const char *what, uint32_t cycles)
{
    char digits[11];
    put(what);
    put(ultoa(cycles, digits, 10));
    put(" cycles, us ");
    put(ultoa(cycles / 16U, digits, 10));
    put("\r");   /* simavr prints the console's line at a CR */
}

int main(void)
{
    static const struct { int16_t lat, lon; uint16_t day; uint8_t twilight; } cases[] = {
        {5252, 1340, 9575, DW_TWILIGHT_SUNSET}, {5252, 1340, 9668, DW_TWILIGHT_SUNSET},
        {5252, 1340, 9851, DW_TWILIGHT_CIVIL},  {-3387, 15121, 9851, DW_TWILIGHT_SUNSET},
        {6965, 1896, 9902, DW_TWILIGHT_SUNSET}, {7822, 1565, 9668, DW_TWILIGHT_SUNSET},
    };
    TCCR1B = _BV(CS10);
    TIMSK1 = _BV(TOIE1);
    sei();

    uint32_t most = 0;
    for (uint8_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        int32_t rise, set;
        const uint32_t from = now();
        dw_sun_times(cases[i].day, (struct dw_place){cases[i].lat, cases[i].lon}, 60, cases[i].twilight, &rise, &set);
        const uint32_t took = now() - from;
        report("sun, both events: ", took);
        most = took > most ? took : most;
    }
    report("sun, both events, most: ", most);

    /* A busy day (an edge every half hour), away at its widest, the dark. */
    uint8_t pattern[DW_PLAN_PATTERN_BYTES];
    for (uint8_t b = 0; b < DW_PLAN_PATTERN_BYTES; b++) {
        pattern[b] = 0x33;
    }
    const struct dw_dark dark = {DW_DARK_SUN, 0, 0};
    const struct dw_place berlin = {5252, 1340};
    const struct dw_away away = {60, DW_PLAN_NO_DATE, DW_PLAN_NO_DATE};
    struct dw_plan plan;
    uint32_t from = now();
    dw_plan_make(&plan, pattern, 9575, &dark, &berlin, 60, 1, &away);
    report("plan made: ", now() - from);
    most = 0;
    for (uint32_t s = 0; s < DW_PLAN_DAY_SECONDS; s += 617) {
        from = now();
        (void)dw_plan_light(&plan, s);
        const uint32_t took = now() - from;
        most = took > most ? took : most;
    }
    report("light, most: ", most);
    from = now();
    (void)dw_plan_next_change(&plan, 0);
    report("next change from 00:00: ", now() - from);
    from = now();
    (void)dw_plan_next_change(&plan, 40000);   /* off in daylight, past every edge to dusk */
    report("next change from 11:06: ", now() - from);

    cli();
    sleep_cpu();   /* simavr ends here */
}
