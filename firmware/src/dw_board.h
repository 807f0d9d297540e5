// SPDX-License-Identifier: GPL-3.0-or-later
/* The board's behaviour: line protocol, commands, light decision. Portable;
 * the hardware is reached only through dw_hal.h. */
#ifndef DW_BOARD_H
#define DW_BOARD_H

#include "protocol/daywheel_protocol.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DW_PATTERN_BYTES 12U   /* 96 entries, one bit each */

/* Longest line the board sends, without its CR LF: a status line naming
 * five refusals, "time hh:mm:ss (not set) light off pattern partial day Www
 * assumed manual off until Www hh:mm away 60 dark ignored: no place trim
 * -10000 ppm" (139; with a date, " date yyyy-mm-dd Www" comes without
 * " (not set)", 6 shorter; " from module" comes without the trim) plus
 * "; refused t: line too long" for t, a and b (3 x 26), "; refused w1a: line
 * too long" (28) and "; refused ?: unknown command" (28). */
#define DW_ANSWER_MAX 273U

/* Loads the pattern, looks for the clock module, sends the greeting and
 * sets the light. Call at start, with the kept time already restored. */
void dw_board_init(void);

/* Feeds one received byte; a complete line is executed at once. */
void dw_board_rx(uint8_t c);

/* The LF about to be fed arrived at this ms count (dw_hal_ms); without
 * it, the line counts as ending when it is handled. */
void dw_board_line_end(uint16_t ms);

/* Marks the line being received as damaged (lost byte, framing error): it
 * is refused when its LF arrives. */
void dw_board_rx_error(void);

/* Re-evaluates the light if the clock or pattern changed. Call often. */
void dw_board_poll(void);

/* The light state last driven. */
uint8_t dw_board_light(void);

/* Light decision for a packed 96-entry pattern at time-of-day s. */
uint8_t dw_light_at(const uint8_t *pattern, uint32_t s);

#ifdef __cplusplus
}
#endif

#endif
