// SPDX-License-Identifier: GPL-3.0-or-later
/* The pattern's two halves, and the learned trim, in EEPROM: records of six
 * bytes. Each record has two slots written in turn; a slot only counts once
 * its last byte (the magic) is written, so a power cut during a store leaves
 * the previous contents readable. */
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
#define DW_HALF_SPAN (2U * DW_SLOT_SIZE)
#define DW_STORE_BASE 0x000U
#define DW_STORE_END (DW_STORE_BASE + 2U * DW_HALF_SPAN)   /* the pattern's end */
/* The trim's record, after the pattern's. */
#define DW_STORE_TRIM 2U

/* Fills bits with half 0 (line a) or 1 (line b), or the trim's record.
 * Returns 1 if that record was ever stored; otherwise bits are all zero (a
 * blank EEPROM means all off, and no trim). */
uint8_t dw_store_load(uint8_t record, uint8_t *bits);

/* Stores a record; touches only that record's EEPROM range. Skips the write
 * if it already holds exactly these bits. */
void dw_store_save(uint8_t record, const uint8_t *bits);

uint8_t dw_crc8(const uint8_t *p, uint8_t n);

#ifdef __cplusplus
}
#endif

#endif
