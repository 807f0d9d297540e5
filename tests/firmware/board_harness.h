// SPDX-License-Identifier: GPL-3.0-or-later
// The board's portable logic wired to a fake HAL on the host, and the helpers
// that drive it line by line. Included once by each firmware logic test.
#pragma once

#include <QtTest>

#include "fake_hal.h"

extern "C" {
#include "dw_board.h"
#include "dw_clock.h"
#include "dw_module.h"
#include "dw_rx.h"
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
    hal.us += 3400;              // the chip's EEPROM write time
}

void dw_hal_putc(char c)
{
    hal.tx.append(c);
    hal.us += 1042;              // one byte at 9600 bit/s
}
uint32_t dw_hal_clock_get(void) { return hal.clock; }
uint32_t dw_hal_clock_get_ms(uint16_t *ms)
{
    *ms = hal.ms;
    return hal.clock;
}
void dw_hal_clock_set(uint32_t s, uint16_t ms, uint16_t day)
{
    hal.clock = s;
    hal.ms = ms;
    hal.day = day;
    hal.known = true;
}
uint8_t dw_hal_clock_known(void) { return hal.known; }
uint16_t dw_hal_clock_day(void) { return hal.day; }
void dw_hal_clock_set_day(uint16_t day) { hal.day = day; }
uint32_t dw_hal_run_get(uint16_t *ms)
{
    *ms = hal.runMs;
    return hal.runS;
}
void dw_hal_run_from(uint32_t s)
{
    hal.runS = s;
    hal.runMs = 0;
}
void dw_hal_clock_trim(int32_t trim) { hal.trim = trim; }

// A fitted module answers (a stopped one too); a stuck bus is like none.
static bool moduleAnswers(uint8_t addr, uint8_t reg, uint8_t n)
{
    return addr == DW_MODULE_ADDR && reg + n <= 7 && hal.module == FakeHal::Fitted;
}
uint8_t dw_hal_i2c_read(uint8_t addr, uint8_t reg, uint8_t *buf, uint8_t n)
{
    return moduleAnswers(addr, reg, n) && std::memcpy(buf, hal.moduleRegs + reg, n);
}
uint8_t dw_hal_i2c_write(uint8_t addr, uint8_t reg, const uint8_t *buf, uint8_t n)
{
    return moduleAnswers(addr, reg, n) && std::memcpy(hal.moduleRegs + reg, buf, n);
}
void dw_hal_light(uint8_t on)
{
    hal.light = on;
    ++hal.lightCalls;
}
uint8_t dw_hal_button(void) { return hal.button; }
uint16_t dw_hal_ms(void) { return hal.msTicks; }
}

namespace {

void feed(const QByteArray &bytes)
{
    for (char c : bytes)
        dw_board_rx(static_cast<uint8_t>(c));
}

// Bytes as the serial line brings them, one per 1.04 ms, into the receive
// ring while the board takes its time over each (the ms count following);
// returns the answers.
[[maybe_unused]] QList<QByteArray> sendAtLineRate(const QByteArray &bytes)
{
    dw_rx ring{};
    hal.tx.clear();
    const qint64 start = hal.us;
    const uint16_t ticks = hal.msTicks;
    const auto msAt = [&](qint64 us) { return uint16_t(ticks + (us - start) / 1000); };
    qint64 arrival = hal.us;
    for (int next = 0;;) {
        for (; next < bytes.size() && arrival <= hal.us; arrival += 1042) {
            dw_rx_put(&ring, uint8_t(bytes[next++]), 0, 0, msAt(arrival));
        }
        hal.msTicks = msAt(hal.us);
        if (!dw_rx_step(&ring)) {
            if (next == bytes.size())
                break;
            hal.us = arrival;
        }
    }
    return hal.takeLines();
}

// One command line; returns what the board answered to it.
QList<QByteArray> send(const QByteArray &line, const QByteArray &end = "\n")
{
    hal.tx.clear();
    feed(line + end);
    return hal.takeLines();
}

[[maybe_unused]] QByteArray pattern48(std::initializer_list<int> on)
{
    QByteArray p(48, '0');
    for (int k : on)
        p[k] = '1';
    return p;
}

[[maybe_unused]] uint32_t hms(int h, int m, int s = 0) { return uint32_t(h * 3600 + m * 60 + s); }

[[maybe_unused]] QByteArray eepromRange(int from, int to)
{
    return QByteArray(reinterpret_cast<const char *>(hal.eeprom + from), to - from);
}

// The refusal part of the status line: from its first "; " on.
[[maybe_unused]] QByteArray statusRefusals()
{
    const QList<QByteArray> lines = send("s");
    if (lines.size() != 1)
        return "NOT ONE LINE: " + lines.join('|');
    const int at = lines[0].indexOf("; ");
    return at < 0 ? QByteArray() : lines[0].mid(at);
}

} // namespace
