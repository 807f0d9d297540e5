// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_store.h"
#include "dw_hal.h"

/* Slot layout: magic, sequence, the record's bytes, crc over all before it.
 * The every-day halves and the trim keep the layout of the firmware before
 * the week: 6 bytes, the crc at offset 8. */
enum { OFF_MAGIC = 0, OFF_SEQ = 1, OFF_DATA = 2 };

uint8_t dw_store_payload(uint8_t record)
{
    switch (record) {
    case DW_STORE_PLACE:
        return DW_PLACE_PAYLOAD;
    case DW_STORE_DARK:
    case DW_STORE_DARK + 1U:
        return DW_DARK_PAYLOAD;
    case DW_STORE_AWAY:
        return DW_AWAY_PAYLOAD;
    case DW_STORE_HELD:
        return 1U;
    case DW_STORE_ZONE:
        return DW_ZONE_PAYLOAD;
    default:
        return record >= DW_STORE_WEEK && record < DW_STORE_WEEKDAY ? DW_WEEK_PAYLOAD : DW_HALF_BYTES;
    }
}

static uint8_t magic_for(uint8_t record)
{
    return (uint8_t)(0xD0U + record);
}

static uint16_t slot_addr(uint8_t record, uint8_t slot)
{
    const uint8_t size = record == DW_STORE_ZONE ? DW_ZONE_SLOT : DW_SLOT_SIZE;
    return (uint16_t)(DW_STORE_BASE + record * DW_HALF_SPAN + slot * size);
}

static uint8_t crc8_step(uint8_t crc, uint8_t byte)
{
    crc ^= byte;
    for (uint8_t i = 0; i < 8; ++i)
        crc = (uint8_t)((crc & 0x80U) ? (unsigned)(crc << 1) ^ 0x07U : (unsigned)(crc << 1));
    return crc;
}

uint8_t dw_crc8(const uint8_t *p, uint8_t n)
{
    uint8_t crc = 0;
    while (n--)
        crc = crc8_step(crc, *p++);
    return crc;
}

/* 1 if the slot holds a complete, intact copy, its sequence number in
 * *seq. Read straight from EEPROM, the crc as it goes: no copy of a slot
 * on the stack. */
static uint8_t slot_valid(uint8_t record, uint8_t slot, uint8_t *seq)
{
    const uint8_t crc_at = (uint8_t)(OFF_DATA + dw_store_payload(record));
    const uint16_t a = slot_addr(record, slot);
    uint8_t crc = 0;
    for (uint8_t i = 0; i < crc_at; ++i)
        crc = crc8_step(crc, dw_hal_ee_read((uint16_t)(a + i)));
    *seq = dw_hal_ee_read((uint16_t)(a + OFF_SEQ));
    return dw_hal_ee_read(a) == magic_for(record) && crc == dw_hal_ee_read((uint16_t)(a + crc_at));
}

/* Which slot holds the current copy: 0, 1, or -1 for none; its sequence
 * number in *seq. */
static int8_t current_slot(uint8_t record, uint8_t *seq)
{
    uint8_t q0, q1;
    const uint8_t v0 = slot_valid(record, 0, &q0);
    const uint8_t v1 = slot_valid(record, 1, &q1);
    int8_t pick = -1;
    if (v0 && v1)
        /* sequence numbers wrap: the newer slot's is 1 to 127 ahead of the
         * older one's */
        pick = (uint8_t)(q1 - q0) - 1U < 127U ? 1 : 0;
    else if (v0)
        pick = 0;
    else if (v1)
        pick = 1;
    *seq = pick == 1 ? q1 : q0;
    return pick;
}

int16_t dw_store_read(uint8_t record, uint8_t *bits)
{
    uint8_t seq;
    const int8_t cur = current_slot(record, &seq);
    const uint16_t a = (uint16_t)(slot_addr(record, cur == 1 ? 1U : 0U) + OFF_DATA);
    for (uint8_t i = 0; i < dw_store_payload(record); ++i)
        bits[i] = cur >= 0 ? dw_hal_ee_read((uint16_t)(a + i)) : 0;
    return cur >= 0 ? seq : -1;
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
    uint8_t seq;
    const int8_t cur = current_slot(record, &seq);
    if (cur >= 0 && !always) {
        const uint16_t at = (uint16_t)(slot_addr(record, (uint8_t)cur) + OFF_DATA);
        uint8_t same = 1;
        for (uint8_t i = 0; i < n; ++i)
            same &= dw_hal_ee_read((uint16_t)(at + i)) == bits[i];
        if (same)
            return;
    }
    seq = cur >= 0 ? (uint8_t)(seq + 1U) : 0;
    const uint8_t magic = magic_for(record);
    const uint16_t a = slot_addr(record, cur == 0 ? 1U : 0U);
    /* invalidate first, fill, then validate: a slot cut off part-way
     * through is never taken for a whole one */
    write_if_changed(a + OFF_MAGIC, 0xFF);
    write_if_changed(a + OFF_SEQ, seq);
    uint8_t crc = crc8_step(crc8_step(0, magic), seq);
    for (uint8_t i = 0; i < n; ++i) {
        write_if_changed((uint16_t)(a + OFF_DATA + i), bits[i]);
        crc = crc8_step(crc, bits[i]);
    }
    write_if_changed((uint16_t)(a + OFF_DATA + n), crc);
    write_if_changed(a + OFF_MAGIC, magic);
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
