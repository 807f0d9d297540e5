// SPDX-License-Identifier: GPL-3.0-or-later
// The board's portable logic wired to a fake HAL on the host, and the helpers
// that drive it line by line. Included once by each firmware logic test.
#pragma once

#include <QtTest>

#include "fake_hal.h"

extern "C" {
#include "dw_board.h"
#include "dw_clock.h"
#include "dw_store.h"
}

FakeHal hal;

extern "C" {
uint8_t dw_hal_ee_read(uint16_t addr)
{
    if (addr >= sizeof hal.eeprom)
        qFatal("EEPROM read out of range: %u", addr);
    return hal.eeprom[addr];
}

void dw_hal_ee_write(uint16_t addr, uint8_t value)
{
    if (addr >= sizeof hal.eeprom)
        qFatal("EEPROM write out of range: %u", addr);
    if (hal.writesLeft == 0)
        return;                  // power is gone: nothing reaches the chip
    if (hal.writesLeft > 0)
        --hal.writesLeft;
    hal.writes << addr;
    hal.eeprom[addr] = value;
}

void dw_hal_putc(char c) { hal.tx.append(c); }
uint32_t dw_hal_clock_get(void) { return hal.clock; }
void dw_hal_clock_set(uint32_t s) { hal.clock = s; }
void dw_hal_light(uint8_t on)
{
    hal.light = on;
    ++hal.lightCalls;
}
}

namespace {

void feed(const QByteArray &bytes)
{
    for (char c : bytes)
        dw_board_rx(static_cast<uint8_t>(c));
}

// One command line; returns what the board answered to it.
QList<QByteArray> send(const QByteArray &line, const QByteArray &end = "\n")
{
    hal.tx.clear();
    feed(line + end);
    return hal.takeLines();
}

QByteArray pattern48(std::initializer_list<int> on)
{
    QByteArray p(48, '0');
    for (int k : on)
        p[k] = '1';
    return p;
}

uint32_t hms(int h, int m, int s = 0) { return uint32_t(h * 3600 + m * 60 + s); }

QByteArray eepromRange(int from, int to)
{
    return QByteArray(reinterpret_cast<const char *>(hal.eeprom + from), to - from);
}

// The refusal part of the status line: from its first "; " on.
QByteArray statusRefusals()
{
    const QList<QByteArray> lines = send("s");
    if (lines.size() != 1)
        return "NOT ONE LINE: " + lines.join('|');
    const int at = lines[0].indexOf("; ");
    return at < 0 ? QByteArray() : lines[0].mid(at);
}

} // namespace
