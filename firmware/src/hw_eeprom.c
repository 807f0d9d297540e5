// SPDX-License-Identifier: GPL-3.0-or-later
/* The chip's EEPROM for dw_store.c. */
#include <avr/eeprom.h>

#include "dw_hal.h"

uint8_t dw_hal_ee_read(uint16_t addr)
{
    return eeprom_read_byte((const uint8_t *)(uintptr_t)addr);
}

void dw_hal_ee_write(uint16_t addr, uint8_t value)
{
    eeprom_write_byte((uint8_t *)(uintptr_t)addr, value);
    eeprom_busy_wait();   /* the store counts a byte as written once this returns */
}
