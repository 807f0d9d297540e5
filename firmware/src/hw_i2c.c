// SPDX-License-Identifier: GPL-3.0-or-later
/* The TWI as the I2C bus master, 100 kHz, for the clock module. */
#include <avr/io.h>
#include <util/twi.h>

#include "dw_hal.h"
#include "hw.h"

/* Every wait is bounded: a missing module just does not acknowledge, but a
 * stuck bus (a line held low) would otherwise hang the board. */

#define TWI_WAIT_LOOPS 3000U    /* about 1 ms; one byte takes 90 us */

static uint8_t twi_wait(void)
{
    for (uint16_t n = TWI_WAIT_LOOPS; n; --n)
        if (TWCR & _BV(TWINT))
            return 1;
    return 0;
}

/* Starts one step of a transfer and waits for its end. The chip clears
 * TWINT at once; simavr (the virtual board) may leave it set until the
 * step is done, so the old flag is waited out first, at most about 0.2 ms
 * (a step takes 90 us at 100 kHz). */
static uint8_t twi_step(uint8_t control)
{
    TWCR = control;
    for (uint16_t n = TWI_WAIT_LOOPS / 5U; n && (TWCR & _BV(TWINT)); --n)
        ;
    return twi_wait();
}

static uint8_t twi_start(uint8_t sla)
{
    if (!twi_step(_BV(TWINT) | _BV(TWSTA) | _BV(TWEN)) ||
        (TW_STATUS != TW_START && TW_STATUS != TW_REP_START))
        return 0;
    TWDR = sla;
    /* simavr reports an acknowledged SLA+W as 0x28, a status the chip
     * never shows after an address */
    return twi_step(_BV(TWINT) | _BV(TWEN)) &&
           (TW_STATUS == TW_MT_SLA_ACK || TW_STATUS == TW_MR_SLA_ACK || TW_STATUS == TW_MT_DATA_ACK);
}

static uint8_t twi_send(uint8_t b)
{
    TWDR = b;
    return twi_step(_BV(TWINT) | _BV(TWEN)) && TW_STATUS == TW_MT_DATA_ACK;
}

/* Ends a transfer; after a failure the TWI is switched off, which lets go
 * of both lines, and the next start switches it on again. */
static uint8_t twi_end(uint8_t ok)
{
    if (ok) {
        TWCR = _BV(TWINT) | _BV(TWSTO) | _BV(TWEN);
        for (uint16_t n = TWI_WAIT_LOOPS; n && (TWCR & _BV(TWSTO)); --n)
            ;
    }
    if (!ok || (TWCR & _BV(TWSTO)))
        TWCR = 0;
    return ok;
}

uint8_t dw_hal_i2c_read(uint8_t addr, uint8_t reg, uint8_t *buf, uint8_t n)
{
    /* register pointer, stop, then a read: simavr's TWI does not read
     * after a repeated start, and every DS1307-type clock takes either */
    uint8_t ok = twi_end(twi_start((uint8_t)(addr << 1 | TW_WRITE)) && twi_send(reg)) &&
                 twi_start((uint8_t)(addr << 1 | TW_READ));
    for (uint8_t i = 0; ok && i < n; ++i) {
        uint8_t last = i + 1U == n;
        ok = twi_step((uint8_t)(_BV(TWINT) | _BV(TWEN) | (last ? 0 : _BV(TWEA)))) && TW_STATUS == (last ? TW_MR_DATA_NACK : TW_MR_DATA_ACK);
        buf[i] = TWDR;
    }
    return twi_end(ok);
}

uint8_t dw_hal_i2c_write(uint8_t addr, uint8_t reg, const uint8_t *buf, uint8_t n)
{
    uint8_t ok = twi_start((uint8_t)(addr << 1 | TW_WRITE)) && twi_send(reg);
    for (uint8_t i = 0; ok && i < n; ++i)
        ok = twi_send(buf[i]);
    return twi_end(ok);
}

void hw_i2c_init(void)
{
    PORTC |= _BV(PC4) | _BV(PC5);   /* weak pull-ups: an empty bus reads idle */
    TWSR = 0;                        /* prescaler 1 */
    TWBR = (uint8_t)((F_CPU / 100000UL - 16U) / 2U);
}
