// SPDX-License-Identifier: GPL-3.0-or-later
#include "dw_store.h"
#include "dw_hal.h"

/* Slot layout: magic, sequence, 6 data bytes, crc over the first 8 bytes. */
enum { OFF_MAGIC = 0, OFF_SEQ = 1, OFF_DATA = 2, OFF_CRC = 8, SLOT_USED = 9 };

static uint8_t magic_for(uint8_t record)
{
    return (uint8_t)(0xD0U | record);
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
    uint16_t a = slot_addr(record, slot);
    for (uint8_t i = 0; i < SLOT_USED; ++i)
        buf[i] = dw_hal_ee_read((uint16_t)(a + i));
    return buf[OFF_MAGIC] == magic_for(record) && dw_crc8(buf, OFF_CRC) == buf[OFF_CRC];
}

/* Which slot holds the current copy: 0, 1, or -1 for none. */
static int8_t current_slot(uint8_t record, uint8_t *buf)
{
    uint8_t s0[SLOT_USED], s1[SLOT_USED];
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
        for (uint8_t i = 0; i < SLOT_USED; ++i)
            buf[i] = src[i];
    return pick;
}

uint8_t dw_store_load(uint8_t record, uint8_t *bits)
{
    uint8_t buf[SLOT_USED];
    int8_t cur = current_slot(record, buf);
    for (uint8_t i = 0; i < DW_HALF_BYTES; ++i)
        bits[i] = cur >= 0 ? buf[OFF_DATA + i] : 0;
    return cur >= 0;
}

static void write_if_changed(uint16_t addr, uint8_t v)
{
    if (dw_hal_ee_read(addr) != v)
        dw_hal_ee_write(addr, v);
}

void dw_store_save(uint8_t record, const uint8_t *bits)
{
    uint8_t buf[SLOT_USED];
    int8_t cur = current_slot(record, buf);
    if (cur >= 0) {
        uint8_t same = 1;
        for (uint8_t i = 0; i < DW_HALF_BYTES; ++i)
            same &= buf[OFF_DATA + i] == bits[i];
        if (same)
            return;
    }
    uint8_t target = cur == 0 ? 1 : 0;
    uint8_t seq = cur >= 0 ? (uint8_t)(buf[OFF_SEQ] + 1U) : 0;

    buf[OFF_MAGIC] = magic_for(record);
    buf[OFF_SEQ] = seq;
    for (uint8_t i = 0; i < DW_HALF_BYTES; ++i)
        buf[OFF_DATA + i] = bits[i];
    buf[OFF_CRC] = dw_crc8(buf, OFF_CRC);

    uint16_t a = slot_addr(record, target);
    /* invalidate first, fill, then validate: a slot cut off part-way
     * through is never taken for a whole one */
    write_if_changed(a + OFF_MAGIC, 0xFF);
    for (uint8_t i = OFF_SEQ; i < SLOT_USED; ++i)
        write_if_changed((uint16_t)(a + i), buf[i]);
    write_if_changed(a + OFF_MAGIC, buf[OFF_MAGIC]);
}
