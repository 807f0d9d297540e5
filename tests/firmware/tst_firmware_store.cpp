// SPDX-License-Identifier: GPL-3.0-or-later
// What the board keeps through restarts: the pattern in EEPROM (with power
// lost part-way through a write), the time of day in RAM and in a clock
// module; and the light they drive. Run on the host against a fake HAL.
#include <QtTest>

#include "board_harness.h"

extern "C" {
#include "dw_week.h"
}

class TstFirmwareStore : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        hal.reset();
        dw_board_init();
        hal.tx.clear();
    }

    // --- pattern storage ------------------------------------------------
    void blankEepromMeansAllOff();
    void storeBothHalvesAndReadBack();
    void halvesAreIndependent();
    void refusedPatternLeavesBothHalves_data();
    void refusedPatternLeavesBothHalves();
    void identicalStoreWritesNothing();
    void patternSurvivesRestart();
    void powerCutDuringStoreKeepsOldOrNew_data();
    void powerCutDuringStoreKeepsOldOrNew();
    void sequenceWrapKeepsNewest();
    void upgradeKeepsTheDayOnEveryWeekday();
    void corruptSlotIsIgnored();

    // --- time of day across restarts --------------------------------------
    void clockWrapsAtMidnight();
    void restartKeepsTime_data();
    void restartKeepsTime();
    void moduleDateAcrossMonthAndYearEnds_data();
    void moduleDateAcrossMonthAndYearEnds();

    // --- light ----------------------------------------------------------
    void lightDecisionPerEntry();
    void lightFollowsClockAndPattern();
};

void TstFirmwareStore::blankEepromMeansAllOff()
{
    QCOMPARE(send("f"), QList<QByteArray>{"a" + pattern48({})});
    QCOMPARE(send("e"), QList<QByteArray>{"b" + pattern48({})});
    for (uint32_t s = 0; s < DW_DAY_SECONDS; s += 900) {
        hal.clock = s;
        dw_board_poll();
        QCOMPARE(hal.light, 0);
    }
    // reading never writes
    QVERIFY(hal.writes.isEmpty());

    // a half stored all off counts as stored, a blank one does not
    uint8_t bits[DW_HALF_BYTES];
    QVERIFY(!dw_store_load(0, bits));
    QCOMPARE(send("a" + pattern48({})), QList<QByteArray>{});
    QVERIFY(dw_store_load(0, bits));
    QVERIFY(!dw_store_load(1, bits));
}

void TstFirmwareStore::storeBothHalvesAndReadBack()
{
    const QByteArray a = "a" + pattern48({0, 1, 25, 26, 47});
    const QByteArray b = "b" + pattern48({0, 23, 46, 47});
    QCOMPARE(send(a), QList<QByteArray>{});
    QCOMPARE(send(b, "\r\n"), QList<QByteArray>{});
    QCOMPARE(send("f"), QList<QByteArray>{a});
    QCOMPARE(send("e"), QList<QByteArray>{b});
    // and again, with new contents, several times (both slots in use)
    for (int round = 0; round < 5; ++round) {
        const QByteArray a2 = "a" + pattern48({round, 10 + round});
        const QByteArray b2 = "b" + pattern48({47 - round});
        QCOMPARE(send(a2), QList<QByteArray>{});
        QCOMPARE(send(b2), QList<QByteArray>{});
        QCOMPARE(send("f"), QList<QByteArray>{a2});
        QCOMPARE(send("e"), QList<QByteArray>{b2});
    }
    // everything lives in the reserved range
    for (uint16_t addr : std::as_const(hal.writes))
        QVERIFY(addr >= DW_STORE_BASE && addr < DW_STORE_END);
}

void TstFirmwareStore::halvesAreIndependent()
{
    const QByteArray b = "b" + pattern48({5, 6, 7});
    QCOMPARE(send(b), QList<QByteArray>{});
    const QByteArray bRegion = eepromRange(DW_STORE_BASE + DW_HALF_SPAN, DW_STORE_END);

    hal.writes.clear();
    for (int i = 0; i < 4; ++i)
        QCOMPARE(send("a" + pattern48({i, 2 * i + 1})), QList<QByteArray>{});
    QVERIFY(!hal.writes.isEmpty());
    for (uint16_t addr : std::as_const(hal.writes))
        QVERIFY2(addr >= DW_STORE_BASE && addr < DW_STORE_BASE + DW_HALF_SPAN,
                 qPrintable(QString("storing a wrote address %1").arg(addr)));
    QCOMPARE(eepromRange(DW_STORE_BASE + DW_HALF_SPAN, DW_STORE_END), bRegion);
    QCOMPARE(send("e"), QList<QByteArray>{b});

    const QByteArray aRegion = eepromRange(DW_STORE_BASE, DW_STORE_BASE + DW_HALF_SPAN);
    hal.writes.clear();
    QCOMPARE(send("b" + pattern48({40})), QList<QByteArray>{});
    for (uint16_t addr : std::as_const(hal.writes))
        QVERIFY(addr >= DW_STORE_BASE + DW_HALF_SPAN && addr < DW_STORE_END);
    QCOMPARE(eepromRange(DW_STORE_BASE, DW_STORE_BASE + DW_HALF_SPAN), aRegion);
}

void TstFirmwareStore::refusedPatternLeavesBothHalves_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("a too short") << "a" + QByteArray(47, '1');
    QTest::newRow("a too long") << "a" + QByteArray(49, '1');
    QTest::newRow("a bad last digit") << "a" + QByteArray(47, '1') + "9";
    QTest::newRow("b bad first digit") << "b-" + QByteArray(47, '1');
    QTest::newRow("b overlong") << "b" + QByteArray(500, '1');
    QTest::newRow("b space") << "b " + QByteArray(47, '1');
}

void TstFirmwareStore::refusedPatternLeavesBothHalves()
{
    QFETCH(QByteArray, line);
    const QByteArray a = "a" + pattern48({3, 4, 30});
    const QByteArray b = "b" + pattern48({0, 47});
    QCOMPARE(send(a), QList<QByteArray>{});
    QCOMPARE(send(b), QList<QByteArray>{});
    const QByteArray before = eepromRange(0, 1024);
    hal.writes.clear();

    const QList<QByteArray> answer = send(line);
    QCOMPARE(answer.size(), 1);
    QVERIFY2(answer[0].startsWith("error: "), answer[0].constData());
    QVERIFY(hal.writes.isEmpty());
    QCOMPARE(eepromRange(0, 1024), before);
    QCOMPARE(send("f"), QList<QByteArray>{a});
    QCOMPARE(send("e"), QList<QByteArray>{b});
}

void TstFirmwareStore::identicalStoreWritesNothing()
{
    const QByteArray a = "a" + pattern48({7, 8});
    QCOMPARE(send(a), QList<QByteArray>{});
    hal.writes.clear();
    QCOMPARE(send(a), QList<QByteArray>{});
    QVERIFY(hal.writes.isEmpty());
    QCOMPARE(send("f"), QList<QByteArray>{a});
}

void TstFirmwareStore::patternSurvivesRestart()
{
    const QByteArray a = "a" + pattern48({25, 26, 27});
    const QByteArray b = "b" + pattern48({1});
    send(a);
    send(b);
    hal.clock = hms(6, 0);
    hal.tx.clear();
    dw_board_init();            // a power cycle: RAM state rebuilt from EEPROM
    QCOMPARE(hal.takeLines(), QList<QByteArray>{DW_GREETING DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE});
    QCOMPARE(hal.light, 1);
    QCOMPARE(send("f"), QList<QByteArray>{a});
    QCOMPARE(send("e"), QList<QByteArray>{b});
    QCOMPARE(send("s"), QList<QByteArray>{"time 06:00:00 light on pattern stored day Mon assumed trim +0 ppm"});
}

void TstFirmwareStore::powerCutDuringStoreKeepsOldOrNew_data()
{
    QTest::addColumn<int>("record");
    QTest::newRow("every day's half a") << 0;
    QTest::newRow("Sunday's half b") << int(DW_STORE_WEEK_RECORD(6, 1));
    QTest::newRow("the weekday run last") << int(DW_STORE_WEEKDAY);
    QTest::newRow("Friday to Sunday's dark") << int(DW_STORE_DARK + 1);
    QTest::newRow("the held light") << int(DW_STORE_HELD);
    QTest::newRow("the offset and its changes") << int(DW_STORE_ZONE);
}

void TstFirmwareStore::powerCutDuringStoreKeepsOldOrNew()
{
    QFETCH(int, record);
    const int n = dw_store_payload(uint8_t(record));
    // both slots in use, the one to be overwritten holding a third pattern,
    // so every data byte of the store really changes
    uint8_t oldBits[DW_ZONE_PAYLOAD], newBits[DW_ZONE_PAYLOAD], thirdBits[DW_ZONE_PAYLOAD];
    for (int i = 0; i < int(DW_ZONE_PAYLOAD); ++i) {
        oldBits[i] = uint8_t(0x11 * (i % 7 + 1));
        newBits[i] = uint8_t(0xEE - 0x11 * (i % 7));
        thirdBits[i] = uint8_t(i + 1);
    }
    const QByteArray oldB = QByteArray(reinterpret_cast<const char *>(oldBits), n);
    const QByteArray newB = QByteArray(reinterpret_cast<const char *>(newBits), n);
    auto prepare = [&] {
        hal.reset();
        dw_store_save(record, thirdBits);
        dw_store_save(record, oldBits);
    };
    prepare();
    hal.writes.clear();
    dw_store_save(record, newBits);
    const int full = int(hal.writes.size());
    QVERIFY(full >= n + 2);

    for (int cut = 0; cut <= full; ++cut) {
        prepare();
        hal.writesLeft = cut;
        dw_store_save(record, newBits);
        hal.writesLeft = -1;
        uint8_t got[DW_ZONE_PAYLOAD];
        QVERIFY2(dw_store_load(record, got), qPrintable(QString("cut after %1 writes").arg(cut)));
        const QByteArray gotB(reinterpret_cast<const char *>(got), n);
        if (cut < full)
            QVERIFY2(gotB == oldB, qPrintable(QString("cut after %1 writes").arg(cut)));
        else
            QCOMPARE(gotB, newB);
    }

    // the very first store interrupted: still blank, i.e. all off
    hal.reset();
    dw_store_save(record, newBits);
    const int first = int(hal.writes.size());
    QVERIFY(first >= n + 2);
    for (int cut = 0; cut < first; ++cut) {
        hal.reset();
        hal.writesLeft = cut;
        dw_store_save(record, newBits);
        uint8_t got[DW_ZONE_PAYLOAD];
        QVERIFY(!dw_store_load(record, got));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(got), n), QByteArray(n, '\0'));
    }
}

// Each every-day store wins over a Wednesday's half stored once, also when
// its sequence number comes round to the one Wednesday's was stored over.
void TstFirmwareStore::sequenceWrapKeepsNewest()
{
    uint8_t bits[DW_HALF_BYTES] = {0xFF}, got[DW_HALF_BYTES], wednesday[DW_HALF_BYTES] = {0xEE};
    dw_week_save_all(1, bits);
    dw_week_save(2, 1, wednesday);
    for (int i = 0; i < 600; ++i) {
        bits[0] = uint8_t(i);
        bits[5] = uint8_t(i >> 8);
        dw_week_save_all(1, bits);
        QVERIFY(dw_store_load(1, got));
        QVERIFY2(got[0] == uint8_t(i) && got[5] == uint8_t(i >> 8),
                 qPrintable(QString("store %1 read back %2").arg(i).arg(got[0])));
        QVERIFY2(dw_week_load(2, 1, got) && got[0] == uint8_t(i), qPrintable(QString("Wednesday runs %1").arg(got[0])));
    }
}

// An EEPROM as the firmware before the week left it: records 0 and 1 the
// day's halves, 2 the trim, each in the second slot of its 32 bytes (magic,
// sequence, 6 bytes, crc); the rest blank.
void TstFirmwareStore::upgradeKeepsTheDayOnEveryWeekday()
{
    const uint8_t records[3][9] = {{0xD0, 7, 0x02}, {0xD1, 7, 0, 0, 0, 0, 0, 0x80}, {0xD2, 7, 0xF0, 0x49, 0x02, 0, 16}};
    for (int r = 0; r < 3; ++r)   // entries 1 and 95 on, +1500 ppm
        std::memcpy(hal.eeprom + r * 32 + 16, records[r], 8), hal.eeprom[r * 32 + 24] = dw_crc8(records[r], 8);
    hal.known = false;
    dw_board_init();
    for (const QByteArray d : {"1", "2", "3", "4", "5", "6", "7"}) {   // 2026-12-14 is a Monday
        QCOMPARE(send("p60.000 2026-12-" + QByteArray::number(d.toInt() + 13) + " +0"), QList<QByteArray>{});
        QCOMPARE(hal.light, 1);
        QCOMPARE(send("r" + d + "b"), QList<QByteArray>{"w" + d + "b" + pattern48({47})});
    }
    QVERIFY(send("s").value(0).contains(" pattern stored date 2026-12-20 Sun trim +1500 ppm"));
}

void TstFirmwareStore::corruptSlotIsIgnored()
{
    const uint8_t first[DW_HALF_BYTES] = {1, 2, 3, 4, 5, 6};
    const uint8_t second[DW_HALF_BYTES] = {6, 5, 4, 3, 2, 1};
    dw_store_save(0, first);
    dw_store_save(0, second);
    uint8_t got[DW_HALF_BYTES];
    QVERIFY(dw_store_load(0, got));
    QCOMPARE(got[0], uint8_t(6));
    // flip a data bit of the newer copy (slot 1): the older one is used
    hal.eeprom[DW_STORE_BASE + DW_SLOT_SIZE + 3] ^= 0x10;
    QVERIFY(dw_store_load(0, got));
    QCOMPARE(got[0], uint8_t(1));
    // both damaged: treated as never stored
    hal.eeprom[DW_STORE_BASE + 4] ^= 0x01;
    QVERIFY(!dw_store_load(0, got));
    QCOMPARE(got[0], uint8_t(0));
}

void TstFirmwareStore::clockWrapsAtMidnight()
{
    QCOMPARE(dw_clock_add(DW_DAY_SECONDS - 1, 1), 0u);
    QCOMPARE(dw_clock_add(hms(23, 0), hms(2, 0)), hms(1, 0));
    QCOMPARE(dw_clock_add(100, 3 * DW_DAY_SECONDS + 5), 105u);
    QCOMPARE(dw_clock_add(0, 0), 0u);

    volatile uint32_t sec = DW_DAY_SECONDS - 1;
    volatile uint16_t ms = 998;
    QVERIFY(!dw_clock_step_ms(&sec, &ms, 1));
    QCOMPARE(uint(sec), uint(DW_DAY_SECONDS - 1));
    QCOMPARE(uint(ms), 999u);
    QVERIFY(dw_clock_step_ms(&sec, &ms, 2));   // a trimmed tick across midnight
    QCOMPARE(uint(sec), 0u);
    QCOMPARE(uint(ms), 1u);

    // a trim of +1500 ppm and one of -0.01 ppm over 10^6 ticks: exactly
    // 1500 ms more, and 0.01 ms less (none yet)
    for (const int32_t trim : {150000, -1}) {
        int32_t acc = 0, sum = 0;
        for (int i = 0; i < 1000000; ++i)
            sum += dw_trim_step(&acc, trim);
        QCOMPARE(sum, trim > 0 ? 1001500 : 1000000);
    }
}

// A restart as the chip sees it: the reset cause (MCUSR, or DW_RESET_HUNG for
// the firmware's own restart after a hung main loop; Optiboot's r2 and
// version), the kept time with its check word, and the clock module.
void TstFirmwareStore::restartKeepsTime_data()
{
    QTest::addColumn<int>("mcusr");
    QTest::addColumn<int>("r2");
    QTest::addColumn<int>("bootMajor");
    QTest::addColumn<int>("torn");            // 1, 2: the time, its copy changed behind its check word
    QTest::addColumn<QByteArray>("module");   // its seconds, minutes, hours; none; stuck bus
    QTest::addColumn<QByteArray>("status");

    const QByteArray at715("\x00\x15\x07", 3), none, stuck = "stuck",
                     kept = "time 12:34:57 light off pattern partial day Mon assumed trim +0 ppm",
                     cold = "time 00:00:00 (not set) light on pattern partial day Mon assumed trim +0 ppm",
                     fromModule = "time 07:15:00 from module light off pattern partial day Mon assumed";
    QTest::newRow("power-up") << 0x01 << 0 << 0xFF << 0 << none << cold;
    QTest::newRow("brown-out") << 0x04 << 0 << 0xFF << 0 << none << cold;
    QTest::newRow("reset pin") << 0x02 << 0 << 0xFF << 0 << none << kept;
    QTest::newRow("watchdog") << 0x08 << 0 << 0xFF << 0 << none << kept;
    QTest::newRow("Optiboot 8: power-up in r2") << 0 << 0x01 << 8 << 0 << none << cold;
    QTest::newRow("Optiboot 6: reset in r2") << 0 << 0x08 << 6 << 0 << none << kept;
    QTest::newRow("Optiboot 4.4 cleared the flags, r2 means nothing") << 0 << 0x05 << 4 << 0 << none << kept;
    QTest::newRow("hung loop, watchdog left running: nothing lost") << int(DW_RESET_HUNG) << 0x05 << 4 << 0 << none
                                                                     << QByteArray("time 12:34:56 light off pattern partial day Mon assumed trim +0 ppm");
    QTest::newRow("cleared, no bootloader") << 0 << 0x01 << 0xFF << 0 << none << kept;
    QTest::newRow("check words wrong") << 0x02 << 0 << 0xFF << 3 << none << cold;
    QTest::newRow("reset tore the time: its copy") << 0x02 << 0 << 0xFF << 1 << none << kept;
    QTest::newRow("reset tore the copy") << 0x02 << 0 << 0xFF << 2 << none << kept;
    QTest::newRow("module after power-up") << 0x01 << 0 << 0xFF << 0 << at715 << fromModule;
    QTest::newRow("module over kept time") << 0x02 << 0 << 0xFF << 0 << at715 << fromModule;
    QTest::newRow("module 12-hour 7 pm") << 0x01 << 0 << 0xFF << 0 << QByteArray("\x00\x15\x67", 3)
                                         << QByteArray("time 19:15:00 from module light off pattern partial day Mon assumed");
    QTest::newRow("module nonsense") << 0x01 << 0 << 0xFF << 0 << QByteArray("\x00\x6A\x07", 3) << cold;
    QTest::newRow("module stopped") << 0x01 << 0 << 0xFF << 0 << QByteArray("\x80\x15\x07", 3) << cold;
    QTest::newRow("bus stuck, power-up") << 0x01 << 0 << 0xFF << 0 << stuck << cold;
    QTest::newRow("bus stuck, reset") << 0x02 << 0 << 0xFF << 0 << stuck << kept;
}

void TstFirmwareStore::restartKeepsTime()
{
    QFETCH(int, mcusr);
    QFETCH(int, r2);
    QFETCH(int, bootMajor);
    QFETCH(int, torn);
    QFETCH(QByteArray, module);
    QFETCH(QByteArray, status);

    QCOMPARE(send("a" + pattern48({1})), QList<QByteArray>{});   // on 00:00-00:15, b never stored
    dw_kept k{}, copy{};
    dw_kept_set(&k, &copy, hms(12, 34, 56), 0, DW_NO_DATE);
    k.ms = 250;
    k.check = dw_kept_check(&k);
    dw_kept_mirror(&copy, &k);
    k.seconds ^= torn & 1;
    copy.ms ^= torn >> 1;
    const bool survives = dw_kept_start(&k, &copy, dw_reset_flags(uint8_t(mcusr & 0x0F), uint8_t(r2), uint8_t(bootMajor), mcusr & DW_RESET_HUNG),
                                        DW_BOOT_HOLD_MS);
    QCOMPARE(k.check, dw_kept_check(&k));
    QCOMPARE(copy.seconds, k.seconds);
    if (module.size() != 3)     // else the module decides
        QCOMPARE(survives, status.startsWith("time 12:34:5"));
    // 250 ms + the 1.4 s hold
    QCOMPARE(uint(k.ms), survives ? (mcusr & DW_RESET_HUNG ? 250u : 650u) : 0u);
    hal.clock = k.seconds;
    hal.known = k.known;
    hal.module = module.size() == 3 ? FakeHal::Fitted : module.isEmpty() ? FakeHal::NoModule : FakeHal::Stuck;
    std::memcpy(hal.moduleRegs, module.constData(), qMin<qsizetype>(module.size(), 3));

    hal.tx.clear();
    dw_board_init();
    const bool notSet = status.contains("(not set)");
    QCOMPARE(hal.takeLines(), QList<QByteArray>{notSet ? DW_GREETING_NOT_SET DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE
                                                       : DW_GREETING DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE});
    QCOMPARE(send("s"), QList<QByteArray>{status});
    QCOMPARE(hal.light, int(notSet));   // the schedule from midnight meanwhile

    // t sets an answering module too, which runs from then on and keeps the
    // board's tick in step once a minute, to the module's second
    const bool answers = module.size() == 3;
    QCOMPARE(send("t08:00"), QList<QByteArray>{});
    QCOMPARE(send("s").value(0).contains(" from module "), answers);
    uint32_t s = 0;
    QCOMPARE(dw_module_decode(hal.moduleRegs, &s) && s == hms(8, 0), answers);
    std::memcpy(hal.moduleRegs, "\x29\x01\x08", 3);    // 08:01:29
    hal.clock = hms(8, 1, 30);                           // the tick ran 0.5 s fast
    hal.ms = 500;
    dw_board_poll();
    hal.moduleRegs[0] = 0x30;
    hal.ms = 505;
    dw_board_poll();
    QCOMPARE(hal.clock, hms(8, 1, 30));
    QCOMPARE(hal.ms, answers ? 0 : 505);
}

// The module's date registers (weekday, 1: Monday; BCD date, month, year)
// on the last day of a month or a year and on the day after.
void TstFirmwareStore::moduleDateAcrossMonthAndYearEnds_data()
{
    QTest::addColumn<QByteArray>("last");
    QTest::addColumn<QByteArray>("lastRegs");
    QTest::addColumn<QByteArray>("next");
    QTest::addColumn<QByteArray>("nextRegs");
    const auto row = [](const char *name, const char *last, const char *lastRegs, const char *next, const char *nextRegs) {
        QTest::newRow(name) << QByteArray(last) << QByteArray(lastRegs, 4) << QByteArray(next) << QByteArray(nextRegs, 4);
    };
    row("leap February", "2028-02-28", "\x01\x28\x02\x28", "2028-02-29", "\x02\x29\x02\x28");
    row("leap day", "2028-02-29", "\x02\x29\x02\x28", "2028-03-01", "\x03\x01\x03\x28");
    row("common February", "2027-02-28", "\x07\x28\x02\x27", "2027-03-01", "\x01\x01\x03\x27");
    row("30 days", "2027-04-30", "\x05\x30\x04\x27", "2027-05-01", "\x06\x01\x05\x27");
    row("year end", "2026-12-31", "\x04\x31\x12\x26", "2027-01-01", "\x05\x01\x01\x27");
    row("2000, a leap year", "2000-02-28", "\x01\x28\x02\x00", "2000-02-29", "\x02\x29\x02\x00");
}

// A cold start takes the module's date; the tick moves it on at midnight,
// and the next set writes it to the module, from where the next cold start
// reads it again.
void TstFirmwareStore::moduleDateAcrossMonthAndYearEnds()
{
    QFETCH(QByteArray, last);
    QFETCH(QByteArray, lastRegs);
    QFETCH(QByteArray, next);
    QFETCH(QByteArray, nextRegs);
    const QByteArray status = "from module light off pattern none date ";
    hal.module = FakeHal::Fitted;
    std::memcpy(hal.moduleRegs, "\x59\x59\x23", 3);
    std::memcpy(hal.moduleRegs + 3, lastRegs.constData(), 4);
    hal.known = false;
    dw_board_init();
    const auto weekday = [](const QByteArray &regs) { return " " + QByteArray(DW_WEEKDAY_NAMES).mid(regs[0] * 3 - 3, 3); };
    QCOMPARE(send("s"), QList<QByteArray>{"time 23:59:59 " + status + last + weekday(lastRegs)});

    dw_kept k{}, copy{};
    dw_kept_set(&k, &copy, hal.clock, 999, hal.day);
    dw_kept_tick(&k, &copy, 1);
    hal.clock = k.seconds;
    hal.day = k.day;
    QCOMPARE(send("t00:00"), QList<QByteArray>{});
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(hal.moduleRegs + 3), 4), nextRegs);
    hal.known = false;
    dw_board_init();
    QCOMPARE(send("s"), QList<QByteArray>{"time 00:00:00 " + status + next + weekday(nextRegs)});
}

void TstFirmwareStore::lightDecisionPerEntry()
{
    for (int e = 0; e < 96; ++e) {
        uint8_t p[DW_PATTERN_BYTES] = {};
        p[e / 8] = uint8_t(1u << (e % 8));
        for (uint32_t s = 0; s < DW_DAY_SECONDS; s += 450) {
            const bool want = dw_quarter_entry(s) == e;
            QVERIFY2(bool(dw_light_at(p, s)) == want,
                     qPrintable(QString("entry %1 at second %2").arg(e).arg(s)));
        }
    }
}

void TstFirmwareStore::lightFollowsClockAndPattern()
{
    // entries 25..32 on: 06:00 to 08:00
    QCOMPARE(send("a" + pattern48({25, 26, 27, 28, 29, 30, 31, 32})), QList<QByteArray>{});
    QCOMPARE(send("b" + pattern48({47})), QList<QByteArray>{});   // entry 95: 23:30-23:45

    struct Case { uint32_t s; int light; };
    const Case cases[] = {
        {hms(5, 59, 59), 0}, {hms(6, 0), 1}, {hms(6, 30), 1}, {hms(7, 59, 59), 1},
        {hms(8, 0), 0}, {hms(9, 0), 0}, {hms(23, 30), 1}, {hms(23, 44, 59), 1},
        {hms(23, 45), 0}, {hms(0, 0), 0},
    };
    for (const Case &c : cases) {
        hal.clock = c.s;
        dw_board_poll();
        QVERIFY2(hal.light == c.light, qPrintable(QString("at %1").arg(c.s)));
        QCOMPARE(int(dw_board_light()), c.light);
    }

    // a stored pattern takes effect without waiting for the clock
    hal.clock = hms(9, 0);
    dw_board_poll();
    QCOMPARE(hal.light, 0);
    QCOMPARE(send("a" + pattern48({37})), QList<QByteArray>{});   // 09:00-09:15
    dw_board_poll();
    QCOMPARE(hal.light, 1);
    // setting the time is applied at once too
    QCOMPARE(send("t10:00"), QList<QByteArray>{});
    dw_board_poll();
    QCOMPARE(hal.light, 0);
    // entry 0, the last quarter of the day
    QCOMPARE(send("a" + pattern48({0})), QList<QByteArray>{});
    QCOMPARE(send("t23:50"), QList<QByteArray>{});
    dw_board_poll();
    QCOMPARE(hal.light, 1);
    // nothing changed, nothing re-driven
    const int calls = hal.lightCalls;
    dw_board_poll();
    QCOMPARE(hal.lightCalls, calls);
}

QTEST_APPLESS_MAIN(TstFirmwareStore)
#include "tst_firmware_store.moc"
