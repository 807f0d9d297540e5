// SPDX-License-Identifier: GPL-3.0-or-later
/* What the light does besides the program, kept in EEPROM through
 * dw_store.h: the place, each weekday's "only in the dark", away, and a
 * light held on or off. Each is written only when it changes. Portable. */
#ifndef DW_SETTINGS_H
#define DW_SETTINGS_H

#include "plan/dw_plan.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The place; returns 0 when none is held. */
uint8_t dw_place_get(struct dw_place *place);
/* place 0: none. */
void dw_place_set(const struct dw_place *place);

/* Weekday's (0 Monday .. 6 Sunday) setting; never stored: DW_DARK_OFF. */
void dw_dark_get(uint8_t weekday, struct dw_dark *dark);
void dw_dark_set(uint8_t weekday, const struct dw_dark *dark);

/* Away; never stored: minutes 0. */
void dw_away_get(struct dw_away *away);
void dw_away_set(const struct dw_away *away);

/* The light held: 0 none, DW_HELD_OFF, DW_HELD_ON. */
#define DW_HELD_OFF 2U
#define DW_HELD_ON 3U
uint8_t dw_held_get(void);
void dw_held_set(uint8_t held);

#ifdef __cplusplus
}
#endif

#endif
