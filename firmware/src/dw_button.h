// SPDX-License-Identifier: GPL-3.0-or-later
/* The push button by the door: its contact debounced, and each press told
 * short (on release) or long (once it has been held DW_BUTTON_LONG_MS, while
 * still held). Portable; fed the raw contact and a millisecond count. */
#ifndef DW_BUTTON_H
#define DW_BUTTON_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A contact must hold still this long to count: a press bounces for a
 * few ms, and 30 ms is still far below what a hand notices. */
#define DW_BUTTON_DEBOUNCE_MS 30U
#define DW_BUTTON_LONG_MS 2000U

enum { DW_BUTTON_NONE = 0, DW_BUTTON_SHORT = 1, DW_BUTTON_LONG = 2 };

struct dw_button {
    uint8_t raw;        /* the contact as last sampled */
    uint8_t down;       /* debounced */
    uint8_t long_told;  /* this press was told long already */
    uint16_t raw_since; /* when raw last changed */
    uint16_t down_since;
};

/* One sample of the contact (1: closed) at now_ms (wrapping); returns the
 * press it completes, if any. Samples at least every few ms. */
uint8_t dw_button_step(struct dw_button *b, uint8_t closed, uint16_t now_ms);

#ifdef __cplusplus
}
#endif

#endif
