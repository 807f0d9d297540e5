// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <array>

// One quarter hour of the day. Slot k (1..96) ends k x 15 minutes after
// midnight; slot 0 is one more entry ahead of slot 1. Slots 0 and 96 are the
// same quarter hour, 23:45-24:00: the pointer and the clock use 96, the dial
// and the wire use 0.
using SlotIndex = qint16;

// The slots a fill, a clear or a redraw went through: from first, forward
// through the day (on from 96 to 0 when it wraps), to last.
struct SlotRun
{
    SlotIndex first = 0;
    SlotIndex last = 0;
    bool operator==(const SlotRun &) const = default;
};

// The day, quarter hour by quarter hour: 101 signed 16-bit entries, 1 = on, 0 = off.
// Only 0..96 are ever used; 97..100 exist because stored layouts count on them.
class DayTable
{
public:
    static constexpr int size = 101;
    static constexpr SlotIndex lastSlot = 96;   // highest slot any operation touches
    static constexpr int storedSlots = 97;      // 0..96: what a schedule file holds

    // Both throw std::out_of_range for an index outside 0..size-1.
    qint16 at(int index) const;
    // Writing slot 0 or 96 writes both, so the quarter hour the user edits
    // is the one the dial draws and the board is sent.
    void set(int index, qint16 value);
    // What the dial draws and the board is sent: on is 1, any other value off.
    bool isOn(int index) const { return at(index) == 1; }

    // Every entry 0, as at program start.
    void reset();

    bool operator==(const DayTable &) const = default;

private:
    std::array<qint16, size> entries{};
};
