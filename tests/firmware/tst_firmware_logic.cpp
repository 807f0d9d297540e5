// SPDX-License-Identifier: GPL-3.0-or-later
// The board's portable logic, run on the host against a fake HAL: the
// quarter-hour rule, the line protocol and the status line.
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

#include "board_harness.h"

class TstFirmwareLogic : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        hal.reset();
        hal.known = false;   // a cold start: nothing kept from the test before
        dw_board_init();
        hal.known = true;
        hal.tx.clear();
    }

    // --- clock and the quarter-hour rule --------------------------------
    void quarterEntry_data();
    void quarterEntry();
    void quarterEntryCoversEveryQuarterOnce();
    void parseTime_data();
    void parseTime();
    void formatting();

    // --- line protocol --------------------------------------------------
    void greetingAtStart();
    void lineEndings();
    void refusedLines_data();
    void refusedLines();
    void overlongLineIsDiscardedToItsEnd();
    void damagedLineIsRefused();
    void linesBackToBack_data();
    void linesBackToBack();
    void randomLinesChangeOnlyWhatTheyMayChange();

    // --- time and status ------------------------------------------------
    void setTimeThenQuery();
    void statusLine();
    void refusalShownUntilItsKindIsAccepted_data();
    void refusalShownUntilItsKindIsAccepted();
    void refusalsOfSeveralKinds();
    void timekeeping_data();
    void timekeeping();
};

void TstFirmwareLogic::quarterEntry_data()
{
    QTest::addColumn<uint>("seconds");
    QTest::addColumn<int>("entry");
    QTest::newRow("00:00") << uint(hms(0, 0)) << 1;
    QTest::newRow("00:14:59") << uint(hms(0, 14, 59)) << 1;
    QTest::newRow("00:15") << uint(hms(0, 15)) << 2;
    QTest::newRow("06:00") << uint(hms(6, 0)) << 25;
    QTest::newRow("06:14") << uint(hms(6, 14)) << 25;
    QTest::newRow("07:59") << uint(hms(7, 59)) << 32;
    QTest::newRow("12:00") << uint(hms(12, 0)) << 49;
    QTest::newRow("23:44:59") << uint(hms(23, 44, 59)) << 95;
    QTest::newRow("23:45") << uint(hms(23, 45)) << 0;
    QTest::newRow("23:50") << uint(hms(23, 50)) << 0;
    QTest::newRow("23:59:59") << uint(hms(23, 59, 59)) << 0;
}

void TstFirmwareLogic::quarterEntry()
{
    QFETCH(uint, seconds);
    QFETCH(int, entry);
    QCOMPARE(int(dw_quarter_entry(seconds)), entry);
}

void TstFirmwareLogic::quarterEntryCoversEveryQuarterOnce()
{
    QList<int> seen(96, 0);
    for (uint32_t s = 0; s < DW_DAY_SECONDS; s += 60) {
        int e = dw_quarter_entry(s);
        QVERIFY(e >= 0 && e < 96);
        // minutes within a quarter map to one entry
        QCOMPARE(e, int(dw_quarter_entry(s - s % 900)));
        if (s % 900 == 0)
            ++seen[e];
    }
    for (int e = 0; e < 96; ++e)
        QVERIFY2(seen[e] == 1, qPrintable(QString("entry %1 seen %2 times").arg(e).arg(seen[e])));
}

void TstFirmwareLogic::parseTime_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<uint>("seconds");
    QTest::newRow("midnight") << QByteArray("00:00") << true << 0u;
    QTest::newRow("14:05") << QByteArray("14:05") << true << uint(hms(14, 5));
    QTest::newRow("last minute") << QByteArray("23:59") << true << uint(hms(23, 59));
    QTest::newRow("hour 24") << QByteArray("24:00") << false << 0u;
    QTest::newRow("minute 60") << QByteArray("12:60") << false << 0u;
    QTest::newRow("no colon") << QByteArray("12.30") << false << 0u;
    QTest::newRow("letter") << QByteArray("1a:30") << false << 0u;
    QTest::newRow("sign") << QByteArray("-1:30") << false << 0u;
    QTest::newRow("space") << QByteArray(" 9:30") << false << 0u;
}

void TstFirmwareLogic::parseTime()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(uint, seconds);
    uint32_t out = 4242;
    QCOMPARE(bool(dw_parse_hhmm(text.constData(), &out)), ok);
    QCOMPARE(uint(out), ok ? seconds : 4242u);
}

void TstFirmwareLogic::formatting()
{
    char buf[16];
    dw_format_hms(hms(6, 5, 0), buf);
    QCOMPARE(QByteArray(buf), QByteArray("06:05:00"));
    dw_format_hms(DW_DAY_SECONDS - 1, buf);
    QCOMPARE(QByteArray(buf), QByteArray("23:59:59"));
    dw_format_hms(0, buf);
    QCOMPARE(QByteArray(buf), QByteArray("00:00:00"));

    QCOMPARE(int(dw_format_u32(0, buf)), 1);
    QCOMPARE(QByteArray(buf), QByteArray("0"));
    QCOMPARE(int(dw_format_u32(43200, buf)), 5);
    QCOMPARE(QByteArray(buf), QByteArray("43200"));
    QCOMPARE(int(dw_format_u32(4294967295u, buf)), 10);
    QCOMPARE(QByteArray(buf), QByteArray("4294967295"));
}

void TstFirmwareLogic::greetingAtStart()
{
    hal.tx.clear();
    dw_board_init();
    QCOMPARE(hal.takeLines(), QList<QByteArray>{QByteArray(DW_GREETING DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE)});
}

void TstFirmwareLogic::lineEndings()
{
    hal.clock = 43200;
    QCOMPARE(send("z", "\n"), QList<QByteArray>{"43200"});
    QCOMPARE(send("z", "\r\n"), QList<QByteArray>{"43200"});
    // only one CR right before the LF is dropped
    QCOMPARE(send("z", "\r\r\n"), QList<QByteArray>{"error: bad length"});
    QCOMPARE(send("t07:30", "\r\n"), QList<QByteArray>{});
    QCOMPARE(hal.clock, hms(7, 30));
    // a lone CR does not end a line
    hal.tx.clear();
    feed("z\r");
    QVERIFY(hal.tx.isEmpty());
    feed("\n");
    QCOMPARE(hal.takeLines(), QList<QByteArray>{"27000"});
}

void TstFirmwareLogic::refusedLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("error");
    QTest::newRow("empty") << QByteArray("") << QByteArray("error: empty line");
    QTest::newRow("only CR") << QByteArray("\r") << QByteArray("error: empty line");
    QTest::newRow("unknown") << QByteArray("x") << QByteArray("error: unknown command");
    QTest::newRow("upper case") << QByteArray("Z") << QByteArray("error: unknown command");
    QTest::newRow("leading space") << QByteArray(" z") << QByteArray("error: unknown command");
    QTest::newRow("z with extra") << QByteArray("z1") << QByteArray("error: bad length");
    QTest::newRow("f with extra") << QByteArray("f ") << QByteArray("error: bad length");
    QTest::newRow("s with extra") << QByteArray("ss") << QByteArray("error: bad length");
    QTest::newRow("t short") << QByteArray("t6:00") << QByteArray("error: bad length");
    QTest::newRow("t long") << QByteArray("t06:000") << QByteArray("error: bad length");
    QTest::newRow("t bad hour") << QByteArray("t24:00") << QByteArray("error: bad time");
    QTest::newRow("t bad minute") << QByteArray("t10:60") << QByteArray("error: bad time");
    QTest::newRow("t letter") << QByteArray("t1x:00") << QByteArray("error: bad time");
    QTest::newRow("t CR inside") << QByteArray("t10\r00") << QByteArray("error: bad time");
    QTest::newRow("a short") << "a" + QByteArray(47, '1') << QByteArray("error: bad length");
    QTest::newRow("a long") << "a" + QByteArray(49, '1') << QByteArray("error: bad length");
    QTest::newRow("a digit 2") << "a" + QByteArray(47, '0') + "2" << QByteArray("error: bad digit");
    QTest::newRow("b letter") << "b" + QByteArray(20, '0') + "x" + QByteArray(27, '0')
                              << QByteArray("error: bad digit");
    QTest::newRow("b NUL") << "b" + QByteArray(20, '0') + QByteArray(1, '\0') + QByteArray(27, '0')
                           << QByteArray("error: bad digit");
    QTest::newRow("b bare") << QByteArray("b") << QByteArray("error: bad length");
    QTest::newRow("p no ms") << QByteArray("p45254") << QByteArray("error: bad time");
    QTest::newRow("p two ms digits") << QByteArray("p1.23") << QByteArray("error: bad length");
    QTest::newRow("p a day") << QByteArray("p86400.000") << QByteArray("error: bad time");
    QTest::newRow("p long") << QByteArray("p123456.000") << QByteArray("error: bad length");
    QTest::newRow("w weekday 8") << "w8a" + QByteArray(48, '1') << QByteArray("error: bad digit");
    QTest::newRow("w weekday 0") << "w0b" + QByteArray(48, '1') << QByteArray("error: bad digit");
    QTest::newRow("w half c") << "w1c" + QByteArray(48, '1') << QByteArray("error: bad digit");
    QTest::newRow("w digit 2") << "w7b" + QByteArray(47, '0') + "2" << QByteArray("error: bad digit");
    QTest::newRow("w short") << "w7b" + QByteArray(47, '0') << QByteArray("error: bad length");
    QTest::newRow("r long") << QByteArray("r1a0") << QByteArray("error: bad length");
    QTest::newRow("r weekday 9") << QByteArray("r9a") << QByteArray("error: bad digit");
    QTest::newRow("r half A") << QByteArray("r1A") << QByteArray("error: bad digit");
    QTest::newRow("g bare sign") << QByteArray("g+52.5 +13.37") << QByteArray("error: bad digit");
    QTest::newRow("g no sign") << QByteArray("g52.50 +13.37") << QByteArray("error: bad digit");
    QTest::newRow("g north of the pole") << QByteArray("g+90.01 +13.37") << QByteArray("error: bad digit");
    QTest::newRow("g east of the line") << QByteArray("g+52.50 +180.01") << QByteArray("error: bad digit");
    QTest::newRow("g comma") << QByteArray("g+52,50 +13.37") << QByteArray("error: bad digit");
    QTest::newRow("g two spaces") << QByteArray("g+52.50  +3.37") << QByteArray("error: bad digit");
    QTest::newRow("g short") << QByteArray("g+5.0 +1.00") << QByteArray("error: bad length");
    QTest::newRow("g nothing") << QByteArray("g none ") << QByteArray("error: bad length");
    QTest::newRow("d weekday 8") << QByteArray("d8n") << QByteArray("error: bad digit");
    QTest::newRow("d mode x") << QByteArray("d3x +0 +0") << QByteArray("error: bad digit");
    QTest::newRow("d no sign") << QByteArray("d3s 30 -15") << QByteArray("error: bad digit");
    QTest::newRow("d one shift") << QByteArray("d3s +30") << QByteArray("error: bad length");
    QTest::newRow("d n with shifts") << QByteArray("d3n +0 +0") << QByteArray("error: bad length");
    QTest::newRow("d 121 minutes") << QByteArray("d3c +121 +0") << QByteArray("error: bad time");
    QTest::newRow("d bare") << QByteArray("d") << QByteArray("error: bad length");
    QTest::newRow("v 61 minutes") << QByteArray("v61") << QByteArray("error: bad time");
    QTest::newRow("v letter") << QByteArray("vx") << QByteArray("error: bad digit");
    QTest::newRow("v one date") << QByteArray("v30 2026-12-20") << QByteArray("error: bad length");
    QTest::newRow("v backwards") << QByteArray("v30 2027-01-06 2026-12-20") << QByteArray("error: bad date");
    QTest::newRow("v no such day") << QByteArray("v30 2026-02-29 2027-01-06") << QByteArray("error: bad date");
    QTest::newRow("m 2") << QByteArray("m2") << QByteArray("error: bad digit");
    QTest::newRow("m held badly") << QByteArray("m1 x") << QByteArray("error: bad digit");
    QTest::newRow("m a long") << QByteArray("ma ") << QByteArray("error: bad length");
    QTest::newRow("m 59 s") << QByteArray("m1 +59") << QByteArray("error: bad time");
    QTest::newRow("m over a week") << QByteArray("m0 +604801") << QByteArray("error: bad time");
    QTest::newRow("m for no sign") << QByteArray("m0 600") << QByteArray("error: bad digit");
}

void TstFirmwareLogic::refusedLines()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, error);
    hal.clock = hms(3, 0);
    QCOMPARE(send(line), QList<QByteArray>{error});
    QCOMPARE(hal.clock, hms(3, 0));
    QVERIFY(hal.writes.isEmpty());
    // the next line is read normally
    QCOMPARE(send("z"), QList<QByteArray>{"10800"});
}

void TstFirmwareLogic::overlongLineIsDiscardedToItsEnd()
{
    // ends in what would be a valid command if the start were cut off
    QByteArray junk(300, '1');
    QCOMPARE(send("a" + junk), QList<QByteArray>{"error: line too long"});
    QCOMPARE(send(QByteArray(DW_LINE_MAX, 'x') + "z"), QList<QByteArray>{"error: line too long"});
    QVERIFY(hal.writes.isEmpty());
    // exactly the buffer size is still a normal (refused) line, not an overflow
    QCOMPARE(send("a" + QByteArray(DW_LINE_MAX - 1, '0')), QList<QByteArray>{"error: bad length"});
    QCOMPARE(send("a" + QByteArray(DW_LINE_MAX - 1, '0'), "\r\n"),
             QList<QByteArray>{"error: line too long"});
    QCOMPARE(send("z"), QList<QByteArray>{"0"});
}

void TstFirmwareLogic::damagedLineIsRefused()
{
    const QByteArray line = "a" + pattern48({1, 2, 3});
    feed(line.left(10));
    dw_board_rx_error();
    hal.tx.clear();
    feed(line.mid(10) + "\n");
    QCOMPARE(hal.takeLines(), QList<QByteArray>{"error: input lost"});
    QVERIFY(hal.writes.isEmpty());
    QCOMPARE(send("f"), QList<QByteArray>{"a" + pattern48({})});
    // the damage mark does not carry over to the next line
    QCOMPARE(send(line), QList<QByteArray>{});
    QCOMPARE(send("f"), QList<QByteArray>{line});
}

// Lines with no gap between them, in one chunk or at full line speed while
// stores write the EEPROM and answers go out byte by byte: every line is
// handled, none lost.
void TstFirmwareLogic::linesBackToBack_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("lineRate");
    QTest::addColumn<QList<QByteArray>>("answers");
    const QByteArray a = "a" + pattern48({1, 25}), b = "b" + pattern48({0, 47});
    const QByteArray a2 = "a" + pattern48({2, 26}), b2 = "b" + pattern48({3});
    QTest::newRow("one chunk") << QByteArray("z\r\nt01:00\nz\nhello\nz\n") << false
                               << QList<QByteArray>{"5", "3600", "error: unknown command", "3600"};
    QTest::newRow("a b f e s t") << a + "\r\n" + b + "\r\nf\r\ne\r\ns\r\nt12:00\r\nz\r\n" << true
                                 << QList<QByteArray>{a, b, "time 00:00:05 light on pattern stored day Mon assumed trim +0 ppm", "43200"};
    QTest::newRow("stored half then f") << a + "\nf\n" + a2 + "\nf\n" << true << QList<QByteArray>{a, a2};
    QTest::newRow("to the ms") << QByteArray("p45254.023\r\nq\np7.000\nz\nq\n") << false
                               << QList<QByteArray>{"45254.023 0 +0", "7", "7.000 0 +0"};
    // the set's LF arrives 10 ms before the second place is stored
    QTest::newRow("a set behind stores") << QByteArray("g+52.52 +13.40\ng-33.87 +151.21\np72000.000 2026-12-09 +60\nq\n") << true
                                          << QList<QByteArray>{"72000.010 0 +0"};
    QTest::newRow("t s b e a f") << "t06:00\ns\n" + b2 + "\ne\n" + a + "\nf\n" << true
                                 << QList<QByteArray>{"time 06:00:00 light off pattern none day Mon assumed trim +0 ppm", b2, a};
    QByteArray week;   // the host sends a week as 14 w lines, back to back
    for (const char *day : {"1", "2", "3", "4", "5", "6", "7"})
        week += "w" + QByteArray(day) + "a" + pattern48({day[0] - '0'}) + "\r\nw" + day + "b" + pattern48({47}) + "\r\n";
    QTest::newRow("a week, then a b") << week + "r3a\nr7b\n" + a + "\r\n" + b + "\r\nr3a\nr7b\n" << true
        << QList<QByteArray>{"w3a" + pattern48({3}), "w7b" + pattern48({47}), "w3a" + a.mid(1), "w7b" + b.mid(1)};
    // what a Send gives a board that knows the sun, after its week
    QTest::newRow("the settings") << QByteArray("p72000.000 2026-12-09 +60\no2027-03-28 02:00 +120\no2027-10-31 03:00 +60\n"
                                                "g+52.52 +13.40\nd1s +30 -15\nd2s +30 -15\nd3s +30 -15\nd4c +0 +0\nd5c +0 +0\n"
                                                "d6c -120 +120\nd7n\nv30 2026-12-20 2027-01-06\nm1 h\ng\nd6\nv\nq\n")
        << true << QList<QByteArray>{"light on held", "g+52.52 +13.40", "d6c -120 +120", "v30 2026-12-20 2027-01-06", "72000.000 2 +0"};
    QTest::newRow("queries between stores") << "f\n" + a + "\ne\n" + b + "\nf\ne\ns\n" + a2 + "\n" + b2 + "\nf\ne\n"
        << true << QList<QByteArray>{"a" + pattern48({}), "b" + pattern48({}), a, b,
                                     "time 00:00:05 light on pattern stored day Mon assumed trim +0 ppm", a2, b2};
}

void TstFirmwareLogic::linesBackToBack()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, lineRate);
    QFETCH(QList<QByteArray>, answers);
    hal.clock = 5;
    if (lineRate) {
        QCOMPARE(sendAtLineRate(bytes), answers);
    } else {
        hal.tx.clear();
        feed(bytes);
        QCOMPARE(hal.takeLines(), answers);
    }
}

// Random and near-valid lines against an independent statement of the rules:
// only a well-formed a/b line changes its half, only a well-formed t line the
// clock, and every line gets at most one answer.
void TstFirmwareLogic::randomLinesChangeOnlyWhatTheyMayChange()
{
    const QRegularExpression storeRule("^([ab])([01]{48})\\r?$");
    const QRegularExpression timeRule("^t([01][0-9]|2[0-3]):([0-5][0-9])\\r?$");
    const QRegularExpression preciseRule("^p([0-9]{1,5})\\.[0-9]{3}\\r?$");
    const QRegularExpression queryRule("^[zfesq]\\r?$");
    QByteArray want[2] = {"a" + pattern48({}), "b" + pattern48({})};
    uint32_t wantClock = 0;
    QRandomGenerator rng(20240607);
    static const char chars[] = "abtzfes01:23456789\rx\0\xff ";
    const QByteArray alphabet(chars, sizeof chars - 1);   // keeps the NUL

    for (int i = 0; i < 3000; ++i) {
        QByteArray line;
        switch (rng.bounded(4)) {
        case 0:   // a valid store, maybe disturbed below
            line = (rng.bounded(2) ? "a" : "b");
            for (int k = 0; k < 48; ++k)
                line += char('0' + rng.bounded(2));
            break;
        case 1:
            line = QByteArray::number(rng.bounded(30)).rightJustified(2, '0');
            line = "t" + line + ":" + QByteArray::number(rng.bounded(70)).rightJustified(2, '0');
            if (rng.bounded(2))
                line = "p" + QByteArray::number(rng.bounded(90000)) + "." + QByteArray::number(rng.bounded(1000)).rightJustified(3, '0');
            break;
        case 2:
            line = QByteArray(1, "zfesqy"[rng.bounded(6)]);
            break;
        default:
            for (int n = rng.bounded(DW_LINE_MAX + 20); n > 0; --n)
                line += alphabet[rng.bounded(alphabet.size())];
        }
        switch (line.isEmpty() ? 5 : rng.bounded(6)) {   // disturb a third of them
        case 0: line[rng.bounded(line.size())] = alphabet[rng.bounded(alphabet.size())]; break;
        case 1: line.remove(rng.bounded(line.size()), 1); break;
        case 2: line.insert(rng.bounded(line.size() + 1), alphabet[rng.bounded(alphabet.size())]); break;
        default: break;
        }
        if (rng.bounded(3) == 0)
            line += '\r';

        const QString text = QString::fromLatin1(line);
        QRegularExpressionMatch m;
        bool silent = false;
        if ((m = storeRule.match(text)).hasMatch()) {
            want[m.captured(1) == "b"] = m.captured(1).toLatin1() + m.captured(2).toLatin1();
            silent = true;
        } else if ((m = timeRule.match(text)).hasMatch()) {
            wantClock = uint32_t(m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60);
            silent = true;
        } else if ((m = preciseRule.match(text)).hasMatch() && m.captured(1).toInt() < 86400) {
            wantClock = uint32_t(m.captured(1).toInt());
            silent = true;
        }

        const QList<QByteArray> answer = send(line);
        const QString where = QString("line %1: \"%2\"").arg(i).arg(QString::fromLatin1(line.toPercentEncoding()));
        if (silent)
            QVERIFY2(answer.isEmpty(), qPrintable(where));
        else if (queryRule.match(text).hasMatch())
            QVERIFY2(answer.size() == 1 && !answer[0].startsWith("error"), qPrintable(where));
        else
            QVERIFY2(answer.size() == 1 && answer[0].startsWith("error: "), qPrintable(where));
        QVERIFY2(hal.clock == wantClock, qPrintable(where));
        uint8_t bits[DW_HALF_BYTES];
        for (uint8_t half = 0; half < 2; ++half) {
            dw_store_load(half, bits);
            QByteArray got(1, char('a' + half));
            for (int k = 0; k < 48; ++k)
                got += (bits[k / 8] >> (k % 8)) & 1 ? '1' : '0';
            QVERIFY2(got == want[half], qPrintable(where));
        }
    }
}

void TstFirmwareLogic::setTimeThenQuery()
{
    QCOMPARE(send("t06:00"), QList<QByteArray>{});
    QCOMPARE(send("z"), QList<QByteArray>{"21600"});
    QCOMPARE(send("t23:59"), QList<QByteArray>{});
    QCOMPARE(send("z"), QList<QByteArray>{"86340"});
    QCOMPARE(send("t00:00"), QList<QByteArray>{});
    QCOMPARE(send("z"), QList<QByteArray>{"0"});
    hal.clock = 43200;
    QCOMPARE(send("z"), QList<QByteArray>{"43200"});
}

void TstFirmwareLogic::statusLine()
{
    hal.clock = hms(6, 5);
    QCOMPARE(send("s"), QList<QByteArray>{"time 06:05:00 light off pattern none day Mon assumed trim +0 ppm"});
    QCOMPARE(send("a" + pattern48({25})), QList<QByteArray>{});
    QCOMPARE(send("s"), QList<QByteArray>{"time 06:05:00 light on pattern partial day Mon assumed trim +0 ppm"});
    QCOMPARE(send("b" + pattern48({})), QList<QByteArray>{});
    hal.clock = hms(23, 59, 59);
    dw_board_poll();
    QCOMPARE(send("s"), QList<QByteArray>{"time 23:59:59 light off pattern stored day Mon assumed trim +0 ppm"});
}

void TstFirmwareLogic::refusalShownUntilItsKindIsAccepted_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<QList<QByteArray>>("keeping");   // accepted lines that leave it
    QTest::addColumn<QByteArray>("clearing");

    const QByteArray a = "a" + pattern48({25}), b = "b" + pattern48({}), t = "t06:30";
    QTest::newRow("a bad digit") << "a" + QByteArray(47, '0') + "5" << false
                                 << QByteArray("; refused a: bad digit")
                                 << QList<QByteArray>{b, t, "z", "f", "e", "s"} << a;
    QTest::newRow("b bad length") << QByteArray("b1") << false << QByteArray("; refused b: bad length")
                                  << QList<QByteArray>{a, t, "e"} << b;
    QTest::newRow("t bad time") << QByteArray("t24:00") << false << QByteArray("; refused t: bad time")
                                << QList<QByteArray>{a, b, "z"} << t;
    QTest::newRow("a too long") << "a" + QByteArray(200, '1') << false
                                << QByteArray("; refused a: line too long")
                                << QList<QByteArray>{b, t} << a;
    QTest::newRow("b input lost") << b << true << QByteArray("; refused b: input lost")
                                  << QList<QByteArray>{a, "e"} << b;
    QTest::newRow("z bad length") << QByteArray("z1") << false << QByteArray("; refused z: bad length")
                                  << QList<QByteArray>{a, t, "f", "s"} << QByteArray("z");
    // w: until a w line for the same weekday and half (any, when it named none)
    QTest::newRow("w bad digit") << "w3a" + QByteArray(47, '0') + "5" << false << QByteArray("; refused w3a: bad digit")
                                 << QList<QByteArray>{a, b, "w3b" + pattern48({}), "w4a" + pattern48({}), "r3a"} << "w3a" + pattern48({});
    QTest::newRow("w bad weekday") << "w9a" + pattern48({}) << false << QByteArray("; refused w: bad digit")
                                   << QList<QByteArray>{a, t, "r1a"} << "w7b" + pattern48({});
    QTest::newRow("r bad half") << QByteArray("r1c") << false << QByteArray("; refused r: bad digit")
                                << QList<QByteArray>{a, "w1a" + pattern48({}), "f"} << QByteArray("r1b");
    // no command letter: kept under '?' until any line but a status query is accepted
    QTest::newRow("unknown") << QByteArray("x") << false << QByteArray("; refused ?: unknown command")
                             << QList<QByteArray>{"s"} << QByteArray("f");
    QTest::newRow("bare CR") << QByteArray("\r\r") << false << QByteArray("; refused ?: unknown command")
                             << QList<QByteArray>{"s"} << t;
    QTest::newRow("empty") << QByteArray("") << false << QByteArray("; refused ?: empty line")
                           << QList<QByteArray>{"s"} << a;
}

void TstFirmwareLogic::refusalShownUntilItsKindIsAccepted()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, damaged);
    QFETCH(QByteArray, shown);
    QFETCH(QList<QByteArray>, keeping);
    QFETCH(QByteArray, clearing);

    QCOMPARE(statusRefusals(), QByteArray());
    hal.tx.clear();
    feed(line.left(3));
    if (damaged)
        dw_board_rx_error();
    feed(line.mid(3) + "\n");
    const QList<QByteArray> answer = hal.takeLines();
    QVERIFY2(answer.size() == 1 && answer[0].startsWith("error: "), answer.join('|').constData());

    QCOMPARE(statusRefusals(), shown);
    for (const QByteArray &other : keeping) {
        for (const QByteArray &l : send(other))
            QVERIFY2(!l.startsWith("error"), other.constData());
        QCOMPARE(statusRefusals(), shown);
    }
    for (const QByteArray &l : send(clearing))
        QVERIFY2(!l.startsWith("error"), clearing.constData());
    QCOMPARE(statusRefusals(), QByteArray());
}

void TstFirmwareLogic::refusalsOfSeveralKinds()
{
    // both halves refused: accepting one leaves the other shown
    send("a" + QByteArray(47, '0') + "5");
    send("b" + QByteArray(47, '0') + "-");
    QCOMPARE(statusRefusals(), QByteArray("; refused a: bad digit; refused b: bad digit"));
    send("b" + pattern48({}));
    QCOMPARE(statusRefusals(), QByteArray("; refused a: bad digit"));

    // the longest status line there can be: a trim as far as it goes,
    // learned from 100,000 s counted while the host says 99,000, kept
    // through a power cut, which leaves no date but the weekday run last;
    // Wednesday on all day and only in the dark, away, the button pressed
    QCOMPARE(send("p0.000 2026-12-08 +0"), QList<QByteArray>{});
    hal.runS = 100000;
    for (const char *line : {"p12600.000 2026-12-09 +0", "w3a111111111111111111111111111111111111111111111111",
                             "w3b111111111111111111111111111111111111111111111111", "d3s +120 -120", "v60"})
        QCOMPARE(send(line), QList<QByteArray>{});
    hal.known = false;
    hal.day = DW_NO_DATE;
    dw_board_init();
    for (hal.button = true; hal.msTicks < 100; hal.msTicks += 10) {
        dw_board_poll();
        hal.button = hal.msTicks < 50;
    }
    for (const char *cmd : {"t", "a", "b", "w3a"})
        send(cmd + QByteArray(DW_LINE_MAX + 1, '1'));
    send("x");
    const QList<QByteArray> status = send("s");
    QCOMPARE(status, QList<QByteArray>{"time 03:30:00 (not set) light off pattern partial day Wed assumed manual off until Thu 00:00"
                                       " away 60 dark ignored: no place trim -10000 ppm"
                                       "; refused t: line too long; refused a: line too long"
                                       "; refused b: line too long; refused w3a: line too long; refused ?: unknown command"});
    QCOMPARE(status[0].size(), int(DW_ANSWER_MAX));

    // a restart forgets them, as the chip's RAM does
    dw_board_init();
    QCOMPARE(statusRefusals(), QByteArray());
}

// A script: "line" is sent and must be taken silently, "line|answer" must
// get that answer; "+N" lets N ms of the board's oscillator pass (the
// clock, the date and the run count move on together); "^N" holds the
// button N ms, its contact bouncing at first, the clock standing; "!module"
// fits a clock module and restarts, the module keeping its time through
// "!cold"; "%hhmmss" sets it as if time had passed; "!reset" restarts
// the board keeping its RAM, "!cold" cuts the power (the EEPROM stays);
// "~N": the trim applied is N hundredths of a ppm. Then q must answer as
// given: time, coming changes, trim.
void TstFirmwareLogic::timekeeping_data()
{
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<QByteArray>("q");
    const QByteArray at = "p3600.000 2026-12-08 +60";
    QTest::newRow("90 s learn 1500 ppm") << QByteArrayList{at, "+90000", "p3690.135 2026-12-08 +60"} << QByteArray("3690.135 0 +1500");
    QTest::newRow("weighted by length") << QByteArrayList{at, "+90000", "p3690.135 2026-12-08 +60", "+270000", "p3960.405 2026-12-08 +60"}
                                        << QByteArray("3960.405 0 +1125");
    QTest::newRow("59 s teach nothing") << QByteArrayList{at, "+59000", "p3659.100 2026-12-08 +60"} << QByteArray("3659.100 0 +0");
    QTest::newRow("a t between") << QByteArrayList{at, "+30000", "t01:00", "+60000", "p3690.135 2026-12-08 +60"} << QByteArray("3690.135 0 +0");
    QTest::newRow("a set without date") << QByteArrayList{at, "+90000", "p3690.135", "+90000", "p3780.270 2026-12-08 +60"} << QByteArray("3780.270 0 +0");
    QTest::newRow("a reset keeps the interval") << QByteArrayList{at, "+88600", "!reset", "+1400", "p3690.135 2026-12-08 +60"} << QByteArray("3690.135 0 +1500");
    QTest::newRow("a power cut breaks it") << QByteArrayList{at, "+90000", "!cold", "p3690.135 2026-12-08 +60"} << QByteArray("3690.135 0 +0");
    QTest::newRow("learned trim kept through a power cut") << QByteArrayList{"p0.000 2026-12-08 +0", "+3600000", "p3605.400 2026-12-08 +0", "!cold"}
                                                           << QByteArray("0.000 0 +1500");
    QTest::newRow("outlier to a settled trim") << QByteArrayList{"p0.000 2026-12-08 +0", "+3600000", "p3605.400 2026-12-08 +0", "+90000", "p3696.210 2026-12-08 +0"}
                                               << QByteArray("3696.210 0 +1500");
    QTest::newRow("host seconds in another zone") << QByteArrayList{at, "+90000", "p7290.135 2026-12-08 +120"} << QByteArray("7290.135 0 +1500");
    // a day and a week to the ms, and a week weighed against 30 days learned
    // before: products far past 32 bits
    QTest::newRow("a day, 115.123 s fast") << QByteArrayList{"p0.000 2026-12-08 +0", "+86400000", "p86284.877 2026-12-08 +0", "~-133244"}
                                           << QByteArray("86284.877 0 -1332");
    QTest::newRow("a week, 700.123 s fast") << QByteArrayList{"p0.000 2026-12-01 +0", "+604800000", "p85699.877 2026-12-07 +0", "~-115761"}
                                            << QByteArray("85699.877 0 -1158");
    QTest::newRow("a week after 30 days") << QByteArrayList{"p0.000 2026-11-01 +0", "+2592000000", "p259.200 2026-12-01 +0", "~10000",
                                                            "+604800000", "p325.728 2026-12-08 +0", "~10189"}
                                          << QByteArray("325.728 0 +102");
    QTest::newRow("spring forward") << QByteArrayList{"p7199.000 2027-03-28 +60", "o2027-03-28 02:00 +120", "o2027-10-31 03:00 +60", "+999", "+1"}
                                    << QByteArray("10800.000 1 +0");
    QTest::newRow("fall back, once") << QByteArrayList{"p10799.500 2027-10-31 +120", "o2027-10-31 03:00 +60", "+500", "+3600000"} << QByteArray("10800.000 0 +0");
    QTest::newRow("changes kept by a reset") << QByteArrayList{"p7199.000 2027-03-28 +60", "o2027-03-28 02:00 +120", "!reset", "+1000"}
                                             << QByteArray("10800.000 0 +0");
    QTest::newRow("a t forgets changes it passed") << QByteArrayList{"p7199.000 2027-03-28 +60", "o2027-03-28 02:00 +120", "t03:00", "+1000"}
                                                   << QByteArray("10801.000 0 +0");
    // changes at midnight (America/Santiago, Asia/Beirut): the date after
    // them, and the offset, which sizes the next change's jump
    QTest::newRow("fall back at midnight") << QByteArrayList{"p86399.000 2027-04-03 -180", "o2027-04-04 00:00 -240", "o2027-04-04 01:00 -180", "+1000",
                                                             "s|time 23:00:00 light off pattern none date 2027-04-03 Sat trim +0 ppm", "+7200000"}
                                           << QByteArray("7200.000 0 +0");
    QTest::newRow("spring forward at midnight") << QByteArrayList{"p86399.000 2027-09-04 -240", "o2027-09-05 00:00 -180", "o2027-09-05 03:00 -240", "+1000",
                                                                  "s|time 01:00:00 light off pattern none date 2027-09-05 Sun trim +0 ppm", "+7200000"}
                                                << QByteArray("7200.000 0 +0");
    QTest::newRow("midnight moves the date on") << QByteArrayList{"p86399.500 2026-12-31 +60", "+500", "s|time 00:00:00 light off pattern none date 2027-01-01 Fri trim +0 ppm"}
                                                << QByteArray("0.000 0 +0");
    // the week: today's program from the date, or from the weekday run last
    QTest::newRow("midnight, Sunday to Monday") << QByteArrayList{"p86340.000 2026-12-13 +0", "w7a" + pattern48({0, 1}), "w1a" + pattern48({}),
        "s|time 23:59:00 light on pattern partial date 2026-12-13 Sun trim +0 ppm", "+60000",
        "s|time 00:00:00 light off pattern partial date 2026-12-14 Mon trim +0 ppm"} << QByteArray("0.000 0 +0");
    QTest::newRow("no date: the weekday run last") << QByteArrayList{"p0.000 2026-12-09 +0", "w3a" + pattern48({1}), "w4a" + pattern48({}), "!cold",
        "s|time 00:00:00 (not set) light on pattern partial day Wed assumed trim +0 ppm", "t23:59", "+60000", "!cold",
        "s|time 00:00:00 (not set) light off pattern partial day Thu assumed trim +0 ppm"} << QByteArray("0.000 0 +0");
    QTest::newRow("f e r follow a b w") << QByteArrayList{"a" + pattern48({5}), "w3a" + pattern48({6}), "p0.000 2026-12-09 +0",
        "f|a" + pattern48({6}), "r2a|w2a" + pattern48({5}), "r5b|w5b" + pattern48({}), "+86400000", "f|a" + pattern48({5}),
        "a" + pattern48({7}), "r3a|w3a" + pattern48({7}), "e|b" + pattern48({})} << QByteArray("0.000 0 +0");
    // the light by hand: 18:00-23:00 and 23:15-23:45 on Wednesdays
    const QByteArray evening = "w3b" + pattern48({25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 46, 47});
    const QByteArray wed20 = "p72000.000 2026-12-09 +60";
    QTest::newRow("short press until the next edge") << QByteArrayList{evening, wed20, "^200", "m|light off until 23:00",
        "s|time 20:00:00 light off pattern partial date 2026-12-09 Wed manual off until 23:00 trim +0 ppm", "+10800000", "m|light auto",
        "+900000", "s|time 23:15:00 light on pattern partial date 2026-12-09 Wed trim +0 ppm"} << QByteArray("83700.000 0 +0");
    QTest::newRow("a press back is automatic") << QByteArrayList{evening, wed20, "^200", "^200", "m|light auto", "m0|light off until 23:00",
        "m1|light auto", "m0 h|light off held", "m1 +5400|light on until 21:30", "ma|light auto"} << QByteArray("72000.000 0 +0");
    QTest::newRow("off to midnight: until tomorrow's edge") << QByteArrayList{evening, "p85500.000 2026-12-09 +60", "^200",
        "m|light on until Fri 00:00", "w4b" + pattern48({30}), "m1|light on until Thu 19:15", "w4b" + pattern48({}),
        "m1|light on until Fri 00:00", "m1 +604800|light on until Wed 23:45"} << QByteArray("85500.000 0 +0");
    QTest::newRow("long press held through a power cut") << QByteArrayList{evening, wed20, "^2500", "m|light off held", "!cold",
        "m|light off held", "s|time 00:00:00 (not set) light off pattern partial day Wed assumed manual off held trim +0 ppm",
        "^200", "m|light auto", "m1|error: bad time", "m1 h|error: bad time"} << QByteArray("0.000 0 +0");
    QTest::newRow("until a bound through a reset, not a power cut") << QByteArrayList{evening, wed20, "m0|light off until 23:00", "!reset",
        "m|light off until 23:00", "!cold", "m|light auto"} << QByteArray("0.000 0 +0");
    // the dark: Berlin, Wednesdays only after sunset; set the clock, and
    // the light is what the plan says then
    QTest::newRow("the dark after a set of the clock") << QByteArrayList{"w3a" + QByteArray(48, '1'), "w3b" + QByteArray(48, '1'),
        "d3s +0 +0", "p43200.000 2026-12-09 +60", "s|time 12:00:00 light on pattern partial date 2026-12-09 Wed dark ignored: no place trim +0 ppm",
        "g+52.52 +13.40", "s|time 12:00:00 light off pattern partial date 2026-12-09 Wed trim +0 ppm", "t17:00",
        "s|time 17:00:00 light on pattern partial date 2026-12-09 Wed trim +0 ppm", "v30", "p0.000",
        "s|time 00:00:00 light on pattern partial day Wed assumed away 30 dark ignored: no date trim +0 ppm"} << QByteArray("0.000 0 +0");
    QTest::newRow("a module: the sun and a passed change after a power cut") << QByteArrayList{"!module", "p7000.000 2027-03-28 +60",
        "o2027-03-28 02:00 +120", "g+52.52 +13.40", "d7s +0 +0", "w7a" + QByteArray(48, '1'), "w7b" + QByteArray(48, '1'), "+600", "%023000",
        "!cold", "s|time 03:30:00 from module light on pattern partial date 2027-03-28 Sun", "t12:00",
        "s|time 12:00:00 from module light off pattern partial date 2027-03-28 Sun"} << QByteArray("43200.000 0 +0");
    QTest::newRow("settings kept through a power cut") << QByteArrayList{"g-33.87 +151.21", "d7c -120 +5", "d1s +0 -0", "v30 2026-12-20 2027-01-06",
        "p7199.000 2027-03-28 +60", "o2027-03-28 02:00 +120", "+600", "!cold", "g|g-33.87 +151.21", "d7|d7c -120 +5", "d1|d1s +0 +0", "d2|d2n",
        "v|v30 2026-12-20 2027-01-06", "g none", "d7n", "v0", "!cold", "g|g none", "d7|d7n", "v|v0", "g-0.05 +0.00", "g|g-0.05 +0.00"}
        << QByteArray("0.000 1 +0");
    QTest::newRow("refused") << QByteArrayList{"o2027-03-28 02:00 +120|error: no date", "p1.000 2027-02-29 +60|error: bad date",
                                               "p1.000 2028-02-29 +1081|error: bad date", "p7199.000 2027-03-28 +60",
                                               "o2027-03-28 01:59 +120|error: bad time", "o2027-03-28 02:00 +12O|error: bad time",
                                               "o2027-03-28 02:00 +120", "o2027-03-28 02:00 +60|error: bad time", "o2027-10-31 03:00 +60",
                                               "o2028-03-26 02:00 +120", "o2028-10-29 03:00 +60", "o2029-03-25 02:00 +120",
                                               "o2029-10-28 03:00 +60", "o2030-03-31 02:00 +120|error: too many"}
                             << QByteArray("7199.000 6 +0");
}

void TstFirmwareLogic::timekeeping()
{
    QFETCH(QByteArrayList, script);
    QFETCH(QByteArray, q);
    for (const QByteArray &step : script) {
        if (step.startsWith('+')) {
            const uint32_t ms = hal.ms + step.mid(1).toUInt();
            if (hal.clock + ms / 1000 >= DW_DAY_SECONDS && hal.day != DW_NO_DATE)
                ++hal.day;
            hal.clock = (hal.clock + ms / 1000) % DW_DAY_SECONDS;
            hal.ms = uint16_t(ms % 1000);
            if (hal.runS != DW_NO_RUN) {
                hal.runS += (hal.runMs + step.mid(1).toUInt()) / 1000;
                hal.runMs = (hal.runMs + step.mid(1).toUInt()) % 1000;
            }
            hal.msTicks = uint16_t(hal.msTicks + step.mid(1).toUInt());
            dw_board_poll();
        } else if (step.startsWith('^')) {
            const int held = step.mid(1).toInt();
            for (int t = 0; t < held + 100; t += 2) {
                hal.button = t < held && (t >= 6 || t % 4 == 0);   // bouncing for 6 ms
                hal.msTicks = uint16_t(hal.msTicks + 2);
                dw_board_poll();
            }
        } else if (step.startsWith('!')) {
            if (step == "!module")
                hal.module = FakeHal::Fitted;   // found at the restart below
            if (step == "!cold") {
                const QByteArray eeprom(reinterpret_cast<const char *>(hal.eeprom), sizeof hal.eeprom);
                const FakeHal::Module module = hal.module;
                uint8_t regs[sizeof hal.moduleRegs];
                std::memcpy(regs, hal.moduleRegs, sizeof regs);
                hal.reset();
                std::memcpy(hal.eeprom, eeprom.constData(), sizeof hal.eeprom);
                hal.module = module;
                std::memcpy(hal.moduleRegs, regs, sizeof regs);
                hal.known = false;
            }
            dw_board_init();
            hal.tx.clear();
        } else if (step.startsWith('%')) {
            for (int i = 0; i < 3; ++i)   // seconds, minutes, hours in BCD
                hal.moduleRegs[i] = uint8_t(step.mid(5 - 2 * i, 2).toUInt(nullptr, 16));
        } else if (step.startsWith('~')) {
            QCOMPARE(hal.trim, step.mid(1).toInt());
        } else {
            const QByteArrayList parts = step.split('|');
            const QList<QByteArray> got = send(parts[0]);
            QVERIFY2(got == (parts.size() > 1 ? QList<QByteArray>{parts[1]} : QList<QByteArray>{}), (parts[0] + " -> " + got.join("|")).constData());
        }
    }
    QCOMPARE(send("q"), QList<QByteArray>{q});
}

QTEST_APPLESS_MAIN(TstFirmwareLogic)
#include "tst_firmware_logic.moc"
