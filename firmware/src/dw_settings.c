// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_settings.h"
#include "dw_store.h"

/* A record never stored reads as zeros: no place, no dark, not away, not
 * held. The lines check what they store, and each record its own crc, so
 * what is read is what a line stored. */

static int16_t le16(const uint8_t *p)
{
    return (int16_t)((uint16_t)p[0] | (uint16_t)p[1] << 8);
}

static void put16(uint8_t *p, uint16_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

uint8_t dw_place_get(struct dw_place *place)
{
    uint8_t rec[DW_PLACE_PAYLOAD];
    dw_store_load(DW_STORE_PLACE, rec);
    place->lat = le16(rec + 1);
    place->lon = le16(rec + 3);
    return rec[0];
}

void dw_place_set(const struct dw_place *place)
{
    uint8_t rec[DW_PLACE_PAYLOAD] = {0};
    if (place) {
        rec[0] = 1;
        put16(rec + 1, (uint16_t)place->lat);
        put16(rec + 3, (uint16_t)place->lon);
    }
    dw_store_save(DW_STORE_PLACE, rec);
}

static uint8_t dark_record(uint8_t weekday, uint8_t *rec)
{
    const uint8_t r = weekday / DW_DARK_PER_RECORD;
    dw_store_load((uint8_t)(DW_STORE_DARK + r), rec);
    return (uint8_t)(3U * (weekday - r * DW_DARK_PER_RECORD));
}

void dw_dark_get(uint8_t weekday, struct dw_dark *dark)
{
    uint8_t rec[DW_DARK_PAYLOAD];
    const uint8_t *at = rec + dark_record(weekday, rec);
    dark->mode = at[0];
    dark->dusk = (int8_t)at[1];
    dark->dawn = (int8_t)at[2];
}

void dw_dark_set(uint8_t weekday, const struct dw_dark *dark)
{
    uint8_t rec[DW_DARK_PAYLOAD];
    uint8_t *at = rec + dark_record(weekday, rec);
    at[0] = dark->mode;
    at[1] = (uint8_t)dark->dusk;
    at[2] = (uint8_t)dark->dawn;
    dw_store_save((uint8_t)(DW_STORE_DARK + weekday / DW_DARK_PER_RECORD), rec);
}

void dw_away_get(struct dw_away *away)
{
    uint8_t rec[DW_AWAY_PAYLOAD];
    dw_store_load(DW_STORE_AWAY, rec);
    away->minutes = rec[0];
    away->first = (uint16_t)le16(rec + 1);
    away->last = (uint16_t)le16(rec + 3);
}

void dw_away_set(const struct dw_away *away)
{
    uint8_t rec[DW_AWAY_PAYLOAD] = {away->minutes};
    put16(rec + 1, away->first);
    put16(rec + 3, away->last);
    dw_store_save(DW_STORE_AWAY, rec);
}

uint8_t dw_held_get(void)
{
    uint8_t rec[1];
    dw_store_load(DW_STORE_HELD, rec);
    return rec[0];
}

void dw_held_set(uint8_t held)
{
    dw_store_save(DW_STORE_HELD, &held);
}
