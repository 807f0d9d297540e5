// SPDX-License-Identifier: GPL-3.0-or-later
/* The program's halves, the learned trim and the weekday last run, in
 * EEPROM: records of a few bytes. Each record has two slots written in
 * turn; a slot only counts once its last byte (the magic) is written, so a
 * power cut during a store leaves the previous contents readable. */
#ifndef DW_STORE_H
#define DW_STORE_H

#include "protocol/daywheel_protocol.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DW_HALF_ENTRIES DW_HALF_SLOTS
#define DW_HALF_BYTES (DW_HALF_SLOTS / 8U)   /* one bit each */
#define DW_SLOT_SIZE 16U
#define DW_HALF_SPAN (2U * DW_SLOT_SIZE)      /* a record: two slots */
#define DW_STORE_BASE 0x000U
#define DW_STORE_END (DW_STORE_BASE + 2U * DW_HALF_SPAN)   /* the every-day halves' end */
/* Records 0 and 1 hold the halves an "a" / "b" line stored for every day,
 * record 2 the trim: as the firmware before the week laid them out. */
#define DW_STORE_TRIM 2U
/* Then one record for each weekday's half (weekday 0 Monday .. 6 Sunday,
 * half 0 or 1): the half a "w" line stored, and which copy of the every-day
 * record it was stored over (dw_week.c). */
#define DW_WEEKDAYS 7U
#define DW_STORE_WEEK 3U
#define DW_STORE_WEEK_RECORD(weekday, half) (DW_STORE_WEEK + 2U * (weekday) + (half))
#define DW_WEEK_PAYLOAD (DW_HALF_BYTES + 1U)
/* Then the weekday the board ran last, for a start that knows no date. */
#define DW_STORE_WEEKDAY (DW_STORE_WEEK + 2U * DW_WEEKDAYS)
/* Then what the light does besides the program: the place (whether one is
 * held, latitude and longitude in hundredths of a degree, little-endian),
 * each weekday's dark setting (mode, dusk and dawn minutes: Monday to
 * Thursday in the first record, Friday to Sunday in the second, so a "d"
 * line writes one record), away (minutes, first and last day), the held
 * light (0 none, else DW_HELD_OFF or DW_HELD_ON). */
#define DW_STORE_PLACE (DW_STORE_WEEKDAY + 1U)
#define DW_PLACE_PAYLOAD 5U
#define DW_STORE_DARK (DW_STORE_PLACE + 1U)
#define DW_DARK_PER_RECORD 4U
#define DW_DARK_PAYLOAD (3U * DW_DARK_PER_RECORD)
#define DW_STORE_AWAY (DW_STORE_DARK + 2U)
#define DW_AWAY_PAYLOAD 5U
#define DW_STORE_HELD (DW_STORE_AWAY + 1U)
/* Last, the UTC offset and its coming changes (dw_time.c): one record of
 * two 48-byte slots, three records' room, so the offset and every change
 * are stored whole by the same slot scheme. */
#define DW_STORE_ZONE (DW_STORE_HELD + 1U)
#define DW_ZONE_SLOT 48U
#define DW_ZONE_PAYLOAD (4U + 6U * DW_OFFSET_CHANGES)
#define DW_STORE_RECORDS (DW_STORE_ZONE + 3U)
#define DW_STORE_LIMIT (DW_STORE_BASE + DW_STORE_RECORDS * DW_HALF_SPAN)   /* the store's end */

/* Bytes a record holds: DW_WEEK_PAYLOAD for a weekday's half, the sizes
 * above for the place to the zone, else DW_HALF_BYTES. */
uint8_t dw_store_payload(uint8_t record);

/* Fills bits with the record's bytes. Returns 1 if that record was ever
 * stored; otherwise bits are all zero (a blank EEPROM means all off, and
 * no trim). */
uint8_t dw_store_load(uint8_t record, uint8_t *bits);
/* The same, returning the copy's sequence number (0..255), -1 when none. */
int16_t dw_store_read(uint8_t record, uint8_t *bits);

/* Stores a record; touches only that record's EEPROM range. Skips the write
 * if it already holds exactly these bits. */
void dw_store_save(uint8_t record, const uint8_t *bits);
/* Stores a new copy even when the record holds these bits: its sequence
 * number moves on (0 for a record never stored). */
void dw_store_renew(uint8_t record, const uint8_t *bits);
/* Makes both copies unreadable, as if never stored. */
void dw_store_erase(uint8_t record);

uint8_t dw_crc8(const uint8_t *p, uint8_t n);

#ifdef __cplusplus
}
#endif

#endif
