// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_week.h"
#include "dw_store.h"

/* A weekday's record names the every-day copy it was stored over by that
 * copy's sequence number, or NO_COPY when the every-day half was never
 * stored (a copy numbered 0xFF erases those first, as below). */
#define NO_COPY 0xFFU
#define OWN_COPY DW_HALF_BYTES   /* where a weekday's record names it */

static uint8_t same(const uint8_t *a, const uint8_t *b)
{
    uint8_t diff = 0;
    for (uint8_t i = 0; i < DW_HALF_BYTES; ++i)
        diff |= (uint8_t)(a[i] ^ b[i]);
    return !diff;
}

/* The name a weekday's record gives the every-day copy with sequence
 * number seq (-1: none, from dw_store_read). */
static uint8_t copy_name(int16_t seq)
{
    return seq < 0 ? NO_COPY : (uint8_t)seq;
}

/* Fills rec with weekday's own record; 1 when it counts over the every-day
 * copy seq. */
static uint8_t own(uint8_t weekday, uint8_t half, int16_t seq, uint8_t *rec)
{
    return dw_store_load(DW_STORE_WEEK_RECORD(weekday, half), rec) && rec[OWN_COPY] == copy_name(seq);
}

/* Weekday's half as it runs, given the every-day half all and its copy seq;
 * returns 1 when either was stored. */
static uint8_t runs(uint8_t weekday, uint8_t half, int16_t seq, const uint8_t *all, uint8_t *bits)
{
    uint8_t rec[DW_WEEK_PAYLOAD];
    const uint8_t counts = own(weekday, half, seq, rec);
    for (uint8_t i = 0; i < DW_HALF_BYTES; ++i)
        bits[i] = counts ? rec[i] : all[i];
    return counts || seq >= 0;
}

uint8_t dw_week_load(uint8_t weekday, uint8_t half, uint8_t *bits)
{
    uint8_t all[DW_HALF_BYTES];
    const int16_t seq = dw_store_read(half, all);
    return runs(weekday, half, seq, all, bits);
}

void dw_week_save(uint8_t weekday, uint8_t half, const uint8_t *bits)
{
    uint8_t all[DW_HALF_BYTES], rec[DW_WEEK_PAYLOAD];
    const int16_t seq = dw_store_read(half, all);
    if (runs(weekday, half, seq, all, rec) && same(rec, bits))
        return;
    for (uint8_t i = 0; i < DW_HALF_BYTES; ++i)
        rec[i] = bits[i];
    rec[OWN_COPY] = copy_name(seq);
    dw_store_save(DW_STORE_WEEK_RECORD(weekday, half), rec);
}

void dw_week_save_all(uint8_t half, const uint8_t *bits)
{
    uint8_t all[DW_HALF_BYTES], rec[DW_WEEK_PAYLOAD];
    const int16_t seq = dw_store_read(half, all);
    uint8_t in_force = 1;
    for (uint8_t d = 0; d < DW_WEEKDAYS; ++d)
        in_force &= runs(d, half, seq, all, rec) && same(rec, bits);
    if (in_force)
        return;
    /* The every-day record's next copy (dw_store_renew counts as
     * dw_store_read does). Sequence numbers come round every 256 stores: a
     * weekday's record stored over a copy of that number must not count
     * again. It no longer counts now, so erasing it changes nothing that
     * runs, whenever the power fails. */
    const uint8_t next = seq < 0 ? 0 : (uint8_t)(seq + 1);
    for (uint8_t d = 0; d < DW_WEEKDAYS; ++d)
        if (dw_store_load(DW_STORE_WEEK_RECORD(d, half), rec) && rec[OWN_COPY] == next)
            dw_store_erase(DW_STORE_WEEK_RECORD(d, half));
    dw_store_renew(half, bits);
}

uint8_t dw_week_stored(void)
{
    uint8_t n = 0, all[DW_HALF_BYTES], bits[DW_HALF_BYTES];
    for (uint8_t half = 0; half < 2; ++half) {
        const int16_t seq = dw_store_read(half, all);
        for (uint8_t d = 0; d < DW_WEEKDAYS; ++d)
            n = (uint8_t)(n + runs(d, half, seq, all, bits));
    }
    return n;
}

uint8_t dw_week_last_run(void)
{
    uint8_t rec[DW_HALF_BYTES];
    dw_store_load(DW_STORE_WEEKDAY, rec);
    return rec[0] < DW_WEEKDAYS ? rec[0] : 0;
}

void dw_week_keep_run(uint8_t weekday)
{
    const uint8_t rec[DW_HALF_BYTES] = {weekday};
    dw_store_save(DW_STORE_WEEKDAY, rec);
}
