// SPDX-License-Identifier: GPL-3.0-or-later
/* The push button: Arduino D2 (PD2) to ground, the chip's pull-up on, so
 * the pin reads low while it is pressed. */
#include <avr/io.h>

#include "dw_hal.h"
#include "hw.h"

void hw_button_init(void)
{
    DDRD &= (uint8_t)~_BV(PD2);
    PORTD |= _BV(PD2);
}

uint8_t dw_hal_button(void)
{
    return !(PIND & _BV(PD2));
}
