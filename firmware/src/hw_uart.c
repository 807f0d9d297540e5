// SPDX-License-Identifier: GPL-3.0-or-later
/* USART0 at the line's settings from the protocol header. Received bytes
 * go into a ring in the interrupt; answers go out byte by byte. */
#include <avr/interrupt.h>
#include <avr/io.h>

#include "dw_hal.h"
#include "dw_rx.h"
#include "hw.h"
#include "protocol/daywheel_protocol.h"

#if DW_LINE_DATA_BITS != 8 || DW_LINE_STOP_BITS != 1
#error "hw_uart_init sets 8N1"
#endif
/* setbaud.h picks the divider, and U2X only when normal speed would miss
 * the rate by more than 2 % */
#define BAUD DW_LINE_BAUD
#include <util/setbaud.h>

static volatile struct dw_rx rx;

ISR(USART_RX_vect)
{
    uint8_t status = UCSR0A;
    uint8_t c = UDR0;
    dw_rx_put(&rx, c, status & _BV(FE0), status & _BV(DOR0), hw_ticks);   /* interrupts are off */
}

void hw_uart_init(void)
{
    UBRR0H = UBRRH_VALUE;
    UBRR0L = UBRRL_VALUE;
#if USE_2X
    UCSR0A = _BV(U2X0);
#else
    UCSR0A = 0;
#endif
    UCSR0C = _BV(UCSZ01) | _BV(UCSZ00);            /* 8N1 */
    UCSR0B = _BV(RXEN0) | _BV(TXEN0) | _BV(RXCIE0);
}

uint8_t hw_uart_step(void)
{
    return dw_rx_step(&rx);
}

uint8_t hw_uart_idle(void)
{
    return rx.tail == rx.head;
}

void dw_hal_putc(char c)
{
    loop_until_bit_is_set(UCSR0A, UDRE0);
    UDR0 = (uint8_t)c;
}
