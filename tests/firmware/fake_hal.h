// SPDX-License-Identifier: GPL-3.0-or-later
// Host stand-in for the board hardware: an EEPROM that can lose power
// part-way through, a settable clock, a captured serial output, the light,
// a clock module on I2C, and the time the serial line and EEPROM take.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <cstring>

struct FakeHal {
    uint8_t eeprom[1024];
    QList<uint16_t> writes;      // addresses written, in order
    int writesLeft = -1;         // >= 0: power fails after that many more writes
    QByteArray tx;
    uint32_t clock = 0;
    uint16_t ms = 0;
    int light = -1;              // -1: never driven
    int lightCalls = 0;
    bool known = true;           // the time is set (a cold start clears it)
    uint16_t day = 0xFFFF;       // the date; none
    uint32_t runS = 0xFFFFFFFF;  // the oscillator's count since a set; none
    uint16_t runMs = 0;
    int32_t trim = 0;            // hundredths of a ppm
    enum Module { NoModule, Fitted, Stuck } module = NoModule;
    uint8_t moduleRegs[7] = {};  // time and date as the module holds them
    qint64 us = 0;               // time the board spent: sending bytes, writing EEPROM
    bool button = false;         // the button's contact closed
    uint16_t msTicks = 0;        // the untrimmed millisecond count

    void reset()
    {
        std::memset(eeprom, 0xFF, sizeof eeprom);
        writes.clear();
        writesLeft = -1;
        tx.clear();
        clock = 0;
        ms = 0;
        light = -1;
        lightCalls = 0;
        known = true;
        day = 0xFFFF;
        runS = 0xFFFFFFFF;
        runMs = 0;
        trim = 0;
        module = NoModule;
        std::memset(moduleRegs, 0, sizeof moduleRegs);
        us = 0;
        button = false;
        msTicks = 0;
    }

    // Lines sent since the last call, without their CR LF. A line not ended
    // by CR LF is returned with a marker so a test sees the fault.
    QList<QByteArray> takeLines()
    {
        QList<QByteArray> out;
        int start = 0;
        for (;;) {
            int end = tx.indexOf("\r\n", start);
            if (end < 0)
                break;
            out << tx.mid(start, end - start);
            start = end + 2;
        }
        if (start < tx.size())
            out << ("UNTERMINATED:" + tx.mid(start));
        tx.clear();
        return out;
    }
};

extern FakeHal hal;
