// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_store.h"
#include "dw_hal.h"

/* Slot layout: magic, sequence, the record's bytes, crc over all before it.
 * The every-day halves and the trim keep the layout of the firmware before
 * the week: 6 bytes, the crc at offset 8. */
enum { OFF_MAGIC = 0, OFF_SEQ = 1, OFF_DATA = 2, SLOT_MAX = OFF_DATA + DW_WEEK_PAYLOAD + 1 };

uint8_t dw_store_payload(uint8_t record)
{
    return record >= DW_STORE_WEEK && record < DW_STORE_WEEKDAY ? DW_WEEK_PAYLOAD : DW_HALF_BYTES;
}

static uint8_t magic_for(uint8_t record)
{
    return (uint8_t)(0xD0U + record);
}

static uint16_t slot_addr(uint8_t record, uint8_t slot)
{
    return (uint16_t)(DW_STORE_BASE + record * DW_HALF_SPAN + slot * DW_SLOT_SIZE);
}

uint8_t dw_crc8(const uint8_t *p, uint8_t n)
{
    uint8_t crc = 0;
    while (n--) {
        crc ^= *p++;
        for (uint8_t i = 0; i < 8; ++i)
            crc = (uint8_t)((crc & 0x80U) ? (unsigned)(crc << 1) ^ 0x07U : (unsigned)(crc << 1));
    }
    return crc;
}

/* Reads a slot; returns 1 if it holds a complete, intact copy. */
static uint8_t read_slot(uint8_t record, uint8_t slot, uint8_t *buf)
{
    const uint8_t crc_at = (uint8_t)(OFF_DATA + dw_store_payload(record));
    uint16_t a = slot_addr(record, slot);
    for (uint8_t i = 0; i <= crc_at; ++i)
        buf[i] = dw_hal_ee_read((uint16_t)(a + i));
    return buf[OFF_MAGIC] == magic_for(record) && dw_crc8(buf, crc_at) == buf[crc_at];
}

/* Which slot holds the current copy: 0, 1, or -1 for none. */
static int8_t current_slot(uint8_t record, uint8_t *buf)
{
    uint8_t s0[SLOT_MAX], s1[SLOT_MAX];
    uint8_t v0 = read_slot(record, 0, s0);
    uint8_t v1 = read_slot(record, 1, s1);
    int8_t pick = -1;
    if (v0 && v1)
        /* sequence numbers wrap: the newer slot's is 1 to 127 ahead of the
         * older one's */
        pick = (uint8_t)(s1[OFF_SEQ] - s0[OFF_SEQ]) - 1U < 127U ? 1 : 0;
    else if (v0)
        pick = 0;
    else if (v1)
        pick = 1;
    const uint8_t *src = pick == 1 ? s1 : s0;
    if (pick >= 0)
        for (uint8_t i = 0; i <= OFF_DATA + dw_store_payload(record); ++i)
            buf[i] = src[i];
    return pick;
}

int16_t dw_store_read(uint8_t record, uint8_t *bits)
{
    uint8_t buf[SLOT_MAX];
    int8_t cur = current_slot(record, buf);
    for (uint8_t i = 0; i < dw_store_payload(record); ++i)
        bits[i] = cur >= 0 ? buf[OFF_DATA + i] : 0;
    return cur >= 0 ? buf[OFF_SEQ] : -1;
}

uint8_t dw_store_load(uint8_t record, uint8_t *bits)
{
    return dw_store_read(record, bits) >= 0;
}

static void write_if_changed(uint16_t addr, uint8_t v)
{
    if (dw_hal_ee_read(addr) != v)
        dw_hal_ee_write(addr, v);
}

static void write_copy(uint8_t record, const uint8_t *bits, uint8_t always)
{
    const uint8_t n = dw_store_payload(record);
    uint8_t buf[SLOT_MAX];
    int8_t cur = current_slot(record, buf);
    if (cur >= 0 && !always) {
        uint8_t same = 1;
        for (uint8_t i = 0; i < n; ++i)
            same &= buf[OFF_DATA + i] == bits[i];
        if (same)
            return;
    }
    uint8_t target = cur == 0 ? 1 : 0;
    uint8_t seq = cur >= 0 ? (uint8_t)(buf[OFF_SEQ] + 1U) : 0;

    buf[OFF_MAGIC] = magic_for(record);
    buf[OFF_SEQ] = seq;
    for (uint8_t i = 0; i < n; ++i)
        buf[OFF_DATA + i] = bits[i];
    buf[OFF_DATA + n] = dw_crc8(buf, (uint8_t)(OFF_DATA + n));

    uint16_t a = slot_addr(record, target);
    /* invalidate first, fill, then validate: a slot cut off part-way
     * through is never taken for a whole one */
    write_if_changed(a + OFF_MAGIC, 0xFF);
    for (uint8_t i = OFF_SEQ; i <= OFF_DATA + n; ++i)
        write_if_changed((uint16_t)(a + i), buf[i]);
    write_if_changed(a + OFF_MAGIC, buf[OFF_MAGIC]);
}

void dw_store_save(uint8_t record, const uint8_t *bits)
{
    write_copy(record, bits, 0);
}

void dw_store_renew(uint8_t record, const uint8_t *bits)
{
    write_copy(record, bits, 1);
}

void dw_store_erase(uint8_t record)
{
    write_if_changed(slot_addr(record, 0) + OFF_MAGIC, 0xFF);
    write_if_changed(slot_addr(record, 1) + OFF_MAGIC, 0xFF);
}
