// SPDX-License-Identifier: GPL-3.0-or-later
/* The light outputs: on-board LED PB5 (Arduino D13), relay PD7 (D7), both
 * active high and switched together. */
#include <avr/io.h>

#include "dw_hal.h"
#include "hw.h"

#define LED_DDR DDRB
#define LED_PORT PORTB
#define LED_BIT PB5
#define RELAY_DDR DDRD
#define RELAY_PORT PORTD
#define RELAY_BIT PD7

void hw_light_init(void)
{
    LED_DDR |= _BV(LED_BIT);
    RELAY_DDR |= _BV(RELAY_BIT);
}

void dw_hal_light(uint8_t on)
{
    if (on) {
        LED_PORT |= _BV(LED_BIT);
        RELAY_PORT |= _BV(RELAY_BIT);
    } else {
        LED_PORT &= (uint8_t)~_BV(LED_BIT);
        RELAY_PORT &= (uint8_t)~_BV(RELAY_BIT);
    }
}
