// The board's portable logic, run on the host against a fake HAL: clock and
// quarter-hour rules, the line protocol, pattern storage and the light.
#include <QRandomGenerator>
#include <QRegularExpression>
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

} // namespace

class TestFirmwareLogic : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        hal.reset();
        dw_board_init();
        hal.tx.clear();
    }

    // --- clock and the quarter-hour rule --------------------------------
    void quarterEntry_data();
    void quarterEntry();
    void quarterEntryCoversEveryQuarterOnce();
    void parseTime_data();
    void parseTime();
    void formatting();
    void clockWrapsAtMidnight();

    // --- line protocol --------------------------------------------------
    void greetingAtStart();
    void lineEndings();
    void refusedLines_data();
    void refusedLines();
    void overlongLineIsDiscardedToItsEnd();
    void damagedLineIsRefused();
    void severalLinesInOneChunk();
    void randomLinesChangeOnlyWhatTheyMayChange();

    // --- time and status ------------------------------------------------
    void setTimeThenQuery();
    void statusLine();
    void refusalShownUntilItsKindIsAccepted_data();
    void refusalShownUntilItsKindIsAccepted();
    void refusalsOfSeveralKinds();

    // --- pattern storage ------------------------------------------------
    void blankEepromMeansAllOff();
    void storeBothHalvesAndReadBack();
    void halvesAreIndependent();
    void refusedPatternLeavesBothHalves_data();
    void refusedPatternLeavesBothHalves();
    void identicalStoreWritesNothing();
    void patternSurvivesRestart();
    void powerCutDuringStoreKeepsOldOrNew();
    void sequenceWrapKeepsNewest();
    void corruptSlotIsIgnored();

    // --- light ----------------------------------------------------------
    void lightDecisionPerEntry();
    void lightFollowsClockAndPattern();
};

void TestFirmwareLogic::quarterEntry_data()
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

void TestFirmwareLogic::quarterEntry()
{
    QFETCH(uint, seconds);
    QFETCH(int, entry);
    QCOMPARE(int(dw_quarter_entry(seconds)), entry);
}

void TestFirmwareLogic::quarterEntryCoversEveryQuarterOnce()
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

void TestFirmwareLogic::parseTime_data()
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

void TestFirmwareLogic::parseTime()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(uint, seconds);
    uint32_t out = 4242;
    QCOMPARE(bool(dw_parse_hhmm(text.constData(), &out)), ok);
    QCOMPARE(uint(out), ok ? seconds : 4242u);
}

void TestFirmwareLogic::formatting()
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

void TestFirmwareLogic::clockWrapsAtMidnight()
{
    QCOMPARE(dw_clock_add(DW_DAY_SECONDS - 1, 1), 0u);
    QCOMPARE(dw_clock_add(hms(23, 0), hms(2, 0)), hms(1, 0));
    QCOMPARE(dw_clock_add(100, 3 * DW_DAY_SECONDS + 5), 105u);
    QCOMPARE(dw_clock_add(0, 0), 0u);

    volatile uint32_t sec = DW_DAY_SECONDS - 1;
    volatile uint16_t ms = 998;
    dw_clock_tick_ms(&sec, &ms);
    QCOMPARE(uint(sec), uint(DW_DAY_SECONDS - 1));
    QCOMPARE(uint(ms), 999u);
    dw_clock_tick_ms(&sec, &ms);
    QCOMPARE(uint(sec), 0u);
    QCOMPARE(uint(ms), 0u);

    // a full second is exactly 1000 ticks
    sec = 10;
    ms = 0;
    for (int i = 0; i < 999; ++i)
        dw_clock_tick_ms(&sec, &ms);
    QCOMPARE(uint(sec), 10u);
    dw_clock_tick_ms(&sec, &ms);
    QCOMPARE(uint(sec), 11u);
}

void TestFirmwareLogic::greetingAtStart()
{
    hal.tx.clear();
    dw_board_init();
    QCOMPARE(hal.takeLines(), QList<QByteArray>{QByteArray(DW_GREETING)});
}

void TestFirmwareLogic::lineEndings()
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

void TestFirmwareLogic::refusedLines_data()
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
}

void TestFirmwareLogic::refusedLines()
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

void TestFirmwareLogic::overlongLineIsDiscardedToItsEnd()
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

void TestFirmwareLogic::damagedLineIsRefused()
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

void TestFirmwareLogic::severalLinesInOneChunk()
{
    hal.clock = 5;
    hal.tx.clear();
    feed("z\r\nt01:00\nz\nhello\nz\n");
    QCOMPARE(hal.takeLines(),
             (QList<QByteArray>{"5", "3600", "error: unknown command", "3600"}));
}

// Random and near-valid lines against an independent statement of the rules:
// only a well-formed a/b line changes its half, only a well-formed t line the
// clock, and every line gets at most one answer.
void TestFirmwareLogic::randomLinesChangeOnlyWhatTheyMayChange()
{
    const QRegularExpression storeRule("^([ab])([01]{48})\\r?$");
    const QRegularExpression timeRule("^t([01][0-9]|2[0-3]):([0-5][0-9])\\r?$");
    const QRegularExpression queryRule("^[zfes]\\r?$");
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
            break;
        case 2:
            line = QByteArray(1, "zfesq"[rng.bounded(5)]);
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

void TestFirmwareLogic::setTimeThenQuery()
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

void TestFirmwareLogic::statusLine()
{
    hal.clock = hms(6, 5);
    QCOMPARE(send("s"), QList<QByteArray>{"time 06:05:00 light off pattern none"});
    QCOMPARE(send("a" + pattern48({25})), QList<QByteArray>{});
    QCOMPARE(send("s"), QList<QByteArray>{"time 06:05:00 light on pattern partial"});
    QCOMPARE(send("b" + pattern48({})), QList<QByteArray>{});
    hal.clock = hms(23, 59, 59);
    dw_board_poll();
    QCOMPARE(send("s"), QList<QByteArray>{"time 23:59:59 light off pattern stored"});
}

namespace {
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

void TestFirmwareLogic::refusalShownUntilItsKindIsAccepted_data()
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
    // no command letter: kept under '?' until any line but a status query is accepted
    QTest::newRow("unknown") << QByteArray("x") << false << QByteArray("; refused ?: unknown command")
                             << QList<QByteArray>{"s"} << QByteArray("f");
    QTest::newRow("bare CR") << QByteArray("\r\r") << false << QByteArray("; refused ?: unknown command")
                             << QList<QByteArray>{"s"} << t;
    QTest::newRow("empty") << QByteArray("") << false << QByteArray("; refused ?: empty line")
                           << QList<QByteArray>{"s"} << a;
}

void TestFirmwareLogic::refusalShownUntilItsKindIsAccepted()
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

void TestFirmwareLogic::refusalsOfSeveralKinds()
{
    // both halves refused: accepting one leaves the other shown
    send("a" + QByteArray(47, '0') + "5");
    send("b" + QByteArray(47, '0') + "-");
    QCOMPARE(statusRefusals(), QByteArray("; refused a: bad digit; refused b: bad digit"));
    send("b" + pattern48({}));
    QCOMPARE(statusRefusals(), QByteArray("; refused a: bad digit"));

    // the longest status line there can be
    hal.clock = hms(23, 59, 59);
    dw_board_poll();
    for (const char *cmd : {"t", "a", "b"})
        send(cmd + QByteArray(DW_LINE_MAX + 1, '1'));
    send("x");
    const QList<QByteArray> status = send("s");
    QCOMPARE(status, QList<QByteArray>{"time 23:59:59 light off pattern partial"
                                       "; refused t: line too long; refused a: line too long"
                                       "; refused b: line too long; refused ?: unknown command"});
    QCOMPARE(status[0].size(), int(DW_ANSWER_MAX));

    // a restart forgets them, as the chip's RAM does
    dw_board_init();
    QCOMPARE(statusRefusals(), QByteArray());
}

void TestFirmwareLogic::blankEepromMeansAllOff()
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

void TestFirmwareLogic::storeBothHalvesAndReadBack()
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

void TestFirmwareLogic::halvesAreIndependent()
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

void TestFirmwareLogic::refusedPatternLeavesBothHalves_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("a too short") << "a" + QByteArray(47, '1');
    QTest::newRow("a too long") << "a" + QByteArray(49, '1');
    QTest::newRow("a bad last digit") << "a" + QByteArray(47, '1') + "9";
    QTest::newRow("b bad first digit") << "b-" + QByteArray(47, '1');
    QTest::newRow("b overlong") << "b" + QByteArray(500, '1');
    QTest::newRow("b space") << "b " + QByteArray(47, '1');
}

void TestFirmwareLogic::refusedPatternLeavesBothHalves()
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

void TestFirmwareLogic::identicalStoreWritesNothing()
{
    const QByteArray a = "a" + pattern48({7, 8});
    QCOMPARE(send(a), QList<QByteArray>{});
    hal.writes.clear();
    QCOMPARE(send(a), QList<QByteArray>{});
    QVERIFY(hal.writes.isEmpty());
    QCOMPARE(send("f"), QList<QByteArray>{a});
}

void TestFirmwareLogic::patternSurvivesRestart()
{
    const QByteArray a = "a" + pattern48({25, 26, 27});
    const QByteArray b = "b" + pattern48({1});
    send(a);
    send(b);
    hal.clock = hms(6, 0);
    hal.tx.clear();
    dw_board_init();            // a power cycle: RAM state rebuilt from EEPROM
    QCOMPARE(hal.takeLines(), QList<QByteArray>{DW_GREETING});
    QCOMPARE(hal.light, 1);
    QCOMPARE(send("f"), QList<QByteArray>{a});
    QCOMPARE(send("e"), QList<QByteArray>{b});
    QCOMPARE(send("s"), QList<QByteArray>{"time 06:00:00 light on pattern stored"});
}

void TestFirmwareLogic::powerCutDuringStoreKeepsOldOrNew()
{
    const uint8_t oldBits[DW_HALF_BYTES] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    const uint8_t newBits[DW_HALF_BYTES] = {0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99};
    const QByteArray oldB = QByteArray(reinterpret_cast<const char *>(oldBits), DW_HALF_BYTES);
    const QByteArray newB = QByteArray(reinterpret_cast<const char *>(newBits), DW_HALF_BYTES);

    // both slots in use, the one to be overwritten holding a third pattern,
    // so every data byte of the store really changes
    const uint8_t thirdBits[DW_HALF_BYTES] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    auto prepare = [&] {
        hal.reset();
        dw_store_save(0, thirdBits);
        dw_store_save(0, oldBits);
    };
    prepare();
    hal.writes.clear();
    dw_store_save(0, newBits);
    const int full = int(hal.writes.size());
    QVERIFY(full >= int(DW_HALF_BYTES) + 2);

    for (int cut = 0; cut <= full; ++cut) {
        prepare();
        hal.writesLeft = cut;
        dw_store_save(0, newBits);
        hal.writesLeft = -1;
        uint8_t got[DW_HALF_BYTES];
        QVERIFY2(dw_store_load(0, got), qPrintable(QString("cut after %1 writes").arg(cut)));
        const QByteArray gotB(reinterpret_cast<const char *>(got), DW_HALF_BYTES);
        if (cut < full)
            QVERIFY2(gotB == oldB, qPrintable(QString("cut after %1 writes").arg(cut)));
        else
            QCOMPARE(gotB, newB);
    }

    // the very first store interrupted: still blank, i.e. all off
    hal.reset();
    dw_store_save(1, newBits);
    const int first = int(hal.writes.size());
    QVERIFY(first >= int(DW_HALF_BYTES) + 2);
    for (int cut = 0; cut < first; ++cut) {
        hal.reset();
        hal.writesLeft = cut;
        dw_store_save(1, newBits);
        uint8_t got[DW_HALF_BYTES];
        QVERIFY(!dw_store_load(1, got));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(got), DW_HALF_BYTES),
                 QByteArray(DW_HALF_BYTES, '\0'));
    }
}

void TestFirmwareLogic::sequenceWrapKeepsNewest()
{
    uint8_t bits[DW_HALF_BYTES] = {};
    for (int i = 0; i < 600; ++i) {
        bits[0] = uint8_t(i);
        bits[5] = uint8_t(i >> 8);
        dw_store_save(1, bits);
        uint8_t got[DW_HALF_BYTES];
        QVERIFY(dw_store_load(1, got));
        QVERIFY2(got[0] == uint8_t(i) && got[5] == uint8_t(i >> 8),
                 qPrintable(QString("store %1 read back %2").arg(i).arg(got[0])));
    }
}

void TestFirmwareLogic::corruptSlotIsIgnored()
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

void TestFirmwareLogic::lightDecisionPerEntry()
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

void TestFirmwareLogic::lightFollowsClockAndPattern()
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

QTEST_APPLESS_MAIN(TestFirmwareLogic)
#include "tst_firmware_logic.moc"
