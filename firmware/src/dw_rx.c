/* SPDX-License-Identifier: GPL-3.0-or-later */
#include "dw_rx.h"
#include "dw_board.h"

/* The main loop's side of the ring; the interrupt's side is inline in
 * dw_rx.h, where the USART interrupt can have it without a call. */
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
    if (c == '\n') {
        /* the interrupt leaves a held stamp alone: read it, then free it */
        if (r->end_held && r->end_seq == r->ends_out) {
            dw_board_line_end(r->end_ms);
            r->end_held = 0;
        }
        r->ends_out = (uint8_t)(r->ends_out + 1U);
    }
    dw_board_rx(c);
    return 1;
}
