/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Received bytes between the USART interrupt and the main loop. The main
 * loop may be busy for a while (an EEPROM store, a long answer sent byte by
 * byte); the ring holds what arrives meanwhile. */
#ifndef DW_RX_H
#define DW_RX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* 256: the uint8_t indices wrap by themselves. 255 bytes hold one line of
 * every kind sent back to back (a, b, f, e, s, t: 119 bytes with CR LF)
 * twice over. */
#define DW_RX_SIZE 256U

/* When an LF arrived (the ms count): a line that sets the clock means the
 * moment it ended, however long the main loop took to reach it (an EEPROM
 * store of the line before). The interrupt writes the stamp only while it
 * is free, the main loop frees it once read; an LF that found it taken has
 * none, and its line counts as ending when it is handled. */

struct dw_rx {
    uint8_t buf[DW_RX_SIZE];
    uint8_t head, tail;     /* written by the interrupt / by the main loop */
    uint8_t lost;           /* a byte was dropped before position lost_at */
    uint8_t lost_at;
    uint8_t ends_in, ends_out;   /* LFs stored / handed on, counting on */
    uint8_t end_held, end_seq;   /* the stamp is taken, by LF number end_seq */
    uint16_t end_ms;
};

/* The interrupt side: one byte; garbled: framing error (stored as a byte no
 * command accepts); overrun: the USART itself dropped one before it;
 * now_ms: the ms count. */
static inline void dw_rx_put(volatile struct dw_rx *r, uint8_t c, uint8_t garbled, uint8_t overrun, uint16_t now_ms)
{
    uint8_t next = (uint8_t)(r->head + 1U);
    if ((overrun || next == r->tail) && !r->lost) {
        r->lost_at = r->head;
        r->lost = 1;
    }
    if (next == r->tail)
        return;
    r->buf[r->head] = garbled ? 0xFFU : c;
    r->head = next;
    if (c == '\n' && !garbled) {
        if (!r->end_held) {
            r->end_ms = now_ms;
            r->end_seq = r->ends_in;
            r->end_held = 1;
        }
        r->ends_in = (uint8_t)(r->ends_in + 1U);
    }
}

/* The main loop side: hands the next byte (or the loss before it) to the
 * board. Returns 0 when nothing was waiting. */
uint8_t dw_rx_step(volatile struct dw_rx *r);

#ifdef __cplusplus
}
#endif

#endif
