// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_button.h"

uint8_t dw_button_step(struct dw_button *b, uint8_t closed, uint16_t now_ms)
{
    closed = closed ? 1U : 0U;
    if (closed != b->raw) {
        b->raw = closed;
        b->raw_since = now_ms;
        return DW_BUTTON_NONE;
    }
    if (closed != b->down) {
        if ((uint16_t)(now_ms - b->raw_since) < DW_BUTTON_DEBOUNCE_MS)
            return DW_BUTTON_NONE;
        b->down = closed;
        if (closed) {
            /* the press began when the contact first held */
            b->down_since = b->raw_since;
            b->long_told = 0;
            return DW_BUTTON_NONE;
        }
        return b->long_told ? DW_BUTTON_NONE : DW_BUTTON_SHORT;
    }
    if (closed && !b->long_told && (uint16_t)(now_ms - b->down_since) >= DW_BUTTON_LONG_MS) {
        b->long_told = 1;
        return DW_BUTTON_LONG;
    }
    return DW_BUTTON_NONE;
}
