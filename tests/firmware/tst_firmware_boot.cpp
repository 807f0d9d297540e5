// SPDX-License-Identifier: GPL-3.0-or-later
// What a reset's hold costs the clock, behind each bootloader: the start-up
// code's steps (timing jumps, their results, resets between them) as the
// chip would take them, from RAM as power-up leaves it.
#include <QtTest>

#include "board_harness.h"

extern "C" {
#include "dw_boot.h"
}

class TstFirmwareBoot : public QObject {
    Q_OBJECT

private slots:
    void holdAfterStarts_data();
    void holdAfterStarts();
};

// A start: the flash it finds ('O' Optiboot 4.4, '8' Optiboot 8, 'T'
// ATmegaBOOT, 'N' none), its reset causes, and Timer1 as a timing jump left it.
struct Start {
    char board;
    int flags, ticks, overflowed;
};
Q_DECLARE_METATYPE(QList<Start>)

void TstFirmwareBoot::holdAfterStarts_data()
{
    QTest::addColumn<QList<Start>>("starts");
    QTest::addColumn<QByteArray>("steps");     // S: time itself, L: time the bootloader, G: go
    QTest::addColumn<int>("flags");            // the causes at the last go
    QTest::addColumn<int>("watchdog");         // measured after each go, half-µs; 0: none
    QTest::addColumn<qint64>("holdUs");        // what the last go adds

    const int por = DW_RESET_POWER, ext = DW_RESET_EXTERNAL;
    // Optiboot: flashes 374784 µs, the start-up code as timed, 147456 watchdog cycles
    QTest::newRow("Optiboot after power-up: its start-up timed") << QList<Start>{{'O', por, 0, 0}, {'O', 0, 680, 0}} << QByteArray("SG")
                                                                 << por << 0 << qint64(374784 + 340 + 1152000 + 340 + 500);
    QTest::newRow("Optiboot 8, a reset, the watchdog 10 % slow") << QList<Start>{{'8', por, 0, 0}, {'8', 0, 680, 0}, {'8', ext, 0, 0}}
                                                                 << QByteArray("SGG") << ext << 1137778 << qint64(374784 + 340 + 1279998 + 498 + 500);
    QTest::newRow("a watchdog out of all reason is not taken") << QList<Start>{{'O', por, 0, 0}, {'O', 0, 680, 0}, {'O', ext, 0, 0}}
                                                              << QByteArray("SGG") << ext << 3000000 << qint64(374784 + 340 + 1152000 + 498 + 500);
    // ATmegaBOOT: timed twice to 64 µs, its reset time-out 8K watchdog cycles
    QTest::newRow("ATmegaBOOT: two timings agree, then a reset") << QList<Start>{{'T', por, 0, 0}, {'T', 0, 20710, 0}, {'T', 0, 20711, 0}, {'T', ext, 0, 0}}
                                                                 << QByteArray("LLGG") << ext << 0 << qint64(1325472 + 64000 + 498 + 500);
    QTest::newRow("a byte from the host held it once") << QList<Start>{{'T', ext, 0, 0}, {'T', 0, 20710, 0}, {'T', 0, 25000, 0}, {'T', 0, 20711, 0}, {'T', 0, 20711, 0}}
                                                       << QByteArray("LLLLG") << ext << 0 << qint64(1325504 + 64000 + 87132 * 64 + 500);
    QTest::newRow("a reset while it was timed") << QList<Start>{{'T', por, 0, 0}, {'T', ext, 3, 0}, {'T', 0, 20710, 0}, {'T', 0, 20710, 0}}
                                                << QByteArray("LLLG") << (por | ext) << 0 << qint64(1325440 + 64000 + 41420 * 64 + 500);
    QTest::newRow("one that goes on at once or never is not timed") << QList<Start>{{'T', ext, 0, 0}, {'T', 0, 5, 0}, {'T', 0, 20710, 1}, {'T', 0, 5, 0}, {'T', 0, 5, 0}, {'T', ext, 0, 0}}
                                                                    << QByteArray("LLLLGG") << ext << 0 << qint64(1400000 + 498 + 500);
    QTest::newRow("no bootloader: the imitated hold") << QList<Start>{{'N', ext, 0, 0}} << QByteArray("G") << ext << 0 << qint64(1400500);
    QTest::newRow("another bootloader flashed: timed afresh") << QList<Start>{{'O', por, 0, 0}, {'O', 0, 680, 0}, {'T', ext, 0, 0}, {'T', 0, 20710, 0}, {'T', 0, 20710, 0}}
                                                              << QByteArray("SGLLG") << ext << 0 << qint64(1325440 + 64000 + 41420 * 64 + 500);
}

void TstFirmwareBoot::holdAfterStarts()
{
    QFETCH(QList<Start>, starts);
    QFETCH(QByteArray, steps);
    QFETCH(int, flags);
    QFETCH(int, watchdog);
    QFETCH(qint64, holdUs);

    dw_boot b;
    std::memset(&b, 0xA5, sizeof b);   // RAM after power-up
    QByteArray took;
    uint8_t f = 0;
    uint32_t hold = 0;
    for (const Start &s : starts) {
        const bool optiboot = s.board == 'O' || s.board == '8';
        const uint8_t kind = dw_boot_kind(optiboot ? (s.board == 'O' ? 4 : 8) : 0xFF, s.board == 'N' ? 0 : optiboot ? 0x7E00 : 0x7800);
        f = uint8_t(s.flags);
        const uint8_t step = dw_boot_start(&b, kind, &f, uint16_t(s.ticks), uint8_t(s.overflowed));
        took += "GSL"[step];
        if (step != DW_BOOT_GO)
            continue;
        // as the firmware goes on: the hold, then the tick, then the watchdog
        hold = dw_boot_hold_us(&b);
        dw_boot_ticking(&b, 996);
        if (watchdog)
            dw_boot_watchdog(&b, uint32_t(watchdog));
    }
    QCOMPARE(took, steps);
    QCOMPARE(int(f), flags);
    QCOMPARE(qint64(hold), holdUs);
}

QTEST_APPLESS_MAIN(TstFirmwareBoot)
#include "tst_firmware_boot.moc"
