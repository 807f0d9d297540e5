// SPDX-License-Identifier: GPL-3.0-or-later
// The real firmware ELF running in the virtual board, talked to over its pty
// the way the desktop program does, with the control socket as the test's
// view of the light pins and the power supply.
#include <QtTest>

#include "board_session.h"

#include <csignal>
#include <fcntl.h>

using namespace boardtest;     // the session also brings poll() and the fd calls

namespace {

QByteArray pattern48(std::initializer_list<int> on)
{
    QByteArray p(48, '0');
    for (int k : on)
        p[k] = '1';
    return p;
}

#define REQUIRE(cond, session)                                                   \
    do {                                                                         \
        if (!(cond))                                                             \
            QFAIL(qPrintable(QStringLiteral(#cond ": ") + (session).error));     \
    } while (0)

const QByteArray kReady = DW_GREETING DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE,
                 kNotSet = DW_GREETING_NOT_SET DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE;

// Starts a board, opens its port and eats the greeting: a board just
// powered up has no time.
#define START_OPEN(session, ...)                                                 \
    do {                                                                         \
        REQUIRE((session).start({__VA_ARGS__}), session);                        \
        REQUIRE((session).openPort(), session);                                  \
        QByteArray greeting_;                                                    \
        REQUIRE((session).readLine(&greeting_), session);                        \
        QCOMPARE(greeting_, QStringList{__VA_ARGS__}.isEmpty() ? kNotSet : kReady); \
    } while (0)

// The board's clock (z) against hh:mm:00 set elapsed milliseconds ago.
#define CLOSE_TO(z, set, elapsedMs)                                              \
    QVERIFY2(qAbs((z).toInt() - ((set) + (elapsedMs) / 1000.0)) <= 2.0,          \
             qPrintable(QStringLiteral("z %1, expected %2").arg(QString::fromLatin1(z)) \
                            .arg((set) + (elapsedMs) / 1000.0)))

} // namespace

class TestVirtualBoard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString missing = missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
    }

    void defaultLinkInRuntimeFolderAndCleanExit();
    void clockSurvivesOpensResetsAndStalls();
    void clockSurvivesResetsAtAnyInstant();
    void clockModuleOutlivesPowerCut();
    void setTimeAndQuery();
    void patternRoundTripAndRefusedLines();
    void lightFollowsClock();
    void powerCutKeepsPattern();
    void eepromFileKeepsPatternAcrossRuns();
    void controlInterface();
    void clockErrorRunsChipFast();
    void burstWaitsInsteadOfBeingCut();
    void buttonFlipsAndHoldsTheLight();
    void resetKeepsTheEveningAway();
};

void TestVirtualBoard::defaultLinkInRuntimeFolderAndCleanExit()
{
    BoardSession b;
    REQUIRE(b.start({}, /*explicitLink=*/false), b);
    const QString link = b.defaultLink();
    QFileInfo info(link);
    QVERIFY(info.isSymLink());
    QVERIFY2(info.symLinkTarget().startsWith("/dev/pts/"), qPrintable(info.symLinkTarget()));

    // a plain open(), no Qt: the board restarts and greets
    const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    QByteArray got;
    QDeadlineTimer deadline(kWaitMs);
    while (!got.contains("\r\n") && !deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(qMax<qint64>(1, deadline.remainingTime()))) > 0) {
            char buf[64];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                got.append(buf, int(n));
        }
    }
    ::close(fd);
    QCOMPARE(got, kNotSet + "\r\n");

    // SIGTERM: exits cleanly and takes its link and socket along
    b.proc.terminate();
    QVERIFY(b.proc.waitForFinished(kWaitMs));
    QCOMPARE(b.proc.exitStatus(), QProcess::NormalExit);
    QCOMPARE(b.proc.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(b.controlPath));
}

// Opening the port resets the chip (the bootloader's hold, then the
// firmware): the time survives in RAM, the hold is added back. The chip
// runs on the host's monotonic clock: a stalled host costs it no time.
void TestVirtualBoard::clockSurvivesOpensResetsAndStalls()
{
    BoardSession b;
    REQUIRE(b.start(), b);
    QByteArray line, answer;
    // nobody had the port open yet: nothing was sent so far reaches us
    REQUIRE(b.control("open?", &answer), b);
    QCOMPARE(answer, QByteArray("open 0"));
    REQUIRE(b.openPort(), b);
    REQUIRE(b.readLine(&line), b);
    QCOMPARE(line, kNotSet);
    REQUIRE(b.control("open?", &answer), b);
    QCOMPARE(answer, QByteArray("open 1"));
    REQUIRE(b.send("t12:34"), b);
    QElapsedTimer sinceSet;
    sinceSet.start();
    REQUIRE(b.silentThenQuery(&answer), b);
    for (int i = 0; i < 10; ++i) {
        b.port.close();
        REQUIRE(waitUntil([&] { return b.control("open?", &answer) && answer == "open 0"; }), b);
        REQUIRE(b.openPort(), b);
        REQUIRE(b.readLine(&line), b);
        QCOMPARE(line, kReady);
    }
    REQUIRE(b.query("z", &answer), b);
    CLOSE_TO(answer, 45240, sinceSet.elapsed());

    // a reset from the control socket (the reset button) does the same
    REQUIRE(b.control("reset", &answer), b);
    QCOMPARE(answer, QByteArray("ok"));
    REQUIRE(b.readLine(&line), b);
    QCOMPARE(line, kReady);
    REQUIRE(b.query("s", &answer), b);
    QVERIFY2(answer.startsWith("time 12:3") && answer.endsWith(" light off pattern none day Mon assumed trim +0 ppm"),
             answer.constData());
    REQUIRE(b.query("z", &answer), b);
    CLOSE_TO(answer, 45240, sinceSet.elapsed());

    // a stall with an open landing in it: the chip owes the stall before the reset
    b.port.close();
    REQUIRE(waitUntil([&] { return b.control("open?", &answer) && answer == "open 0"; }), b);
    ::kill(pid_t(b.proc.processId()), SIGSTOP);
    QThread::msleep(3000);      // the stall itself, not a wait for an outcome
    REQUIRE(b.openPort(), b);
    ::kill(pid_t(b.proc.processId()), SIGCONT);
    REQUIRE(b.readLine(&line), b);
    QCOMPARE(line, kReady);
    REQUIRE(b.query("z", &answer), b);
    CLOSE_TO(answer, 45240, sinceSet.elapsed());
}

// A reset lands wherever the chip is, the tick interrupt's writes included;
// none of them may lose the time.
void TestVirtualBoard::clockSurvivesResetsAtAnyInstant()
{
    BoardSession b;
    REQUIRE(b.start({QStringLiteral("--boot-delay"), QStringLiteral("0")}), b);
    REQUIRE(b.openPort(), b);
    QByteArray line;
    REQUIRE(b.readLine(&line), b);
    REQUIRE(b.send("t12:34"), b);
    REQUIRE(b.silentThenQuery(&line), b);
    for (int i = 0; i < 200; ++i) {
        REQUIRE(b.control("reset", &line), b);
        REQUIRE(b.readLine(&line), b);
        QCOMPARE(line, kReady);
    }
}

// --rtc: a battery-backed module keeps the time through a power cut.
void TestVirtualBoard::clockModuleOutlivesPowerCut()
{
    BoardSession b;
    START_OPEN(b, QStringLiteral("--rtc"));
    QByteArray answer;
    REQUIRE(b.send("t12:34"), b);
    QElapsedTimer sinceSet;
    sinceSet.start();
    REQUIRE(b.silentThenQuery(&answer), b);
    REQUIRE(b.control("powercut", &answer), b);
    REQUIRE(b.readLine(&answer), b);
    QCOMPARE(answer, kReady);
    REQUIRE(b.query("s", &answer), b);
    QVERIFY2(answer.startsWith("time 12:3") && answer.contains(" from module light ")
                 && answer.contains(" date " + QDate::currentDate().toString(Qt::ISODate).toLatin1()),
             answer.constData());
    REQUIRE(b.query("z", &answer), b);
    CLOSE_TO(answer, 45240, sinceSet.elapsed());
}

void TestVirtualBoard::setTimeAndQuery()
{
    BoardSession b;
    START_OPEN(b);
    QByteArray z, s, t;
    REQUIRE(b.send("t06:00"), b);
    REQUIRE(b.silentThenQuery(&z), b);
    QVERIFY2(z.toInt() >= 21600 && z.toInt() <= 21605, z.constData());

    REQUIRE(b.query("s", &s), b);
    QVERIFY2(s.startsWith("time 06:00:0") && s.endsWith(" light off pattern none day Mon assumed trim +0 ppm"), s.constData());

    // the control socket reads the same clock out of the chip's RAM
    REQUIRE(b.control("time?", &t), b);
    QVERIFY2(t.startsWith("time 216"), t.constData());

    // CR LF works as well as LF; a bad time changes nothing
    REQUIRE(b.send("t23:59", "\r\n"), b);
    REQUIRE(b.silentThenQuery(&z), b);
    QVERIFY2(z.toInt() >= 86340 && z.toInt() <= 86345, z.constData());
    REQUIRE(b.query("t24:00", &s), b);
    QCOMPARE(s, QByteArray("error: bad time"));
    REQUIRE(b.query("z", &z), b);
    QVERIFY2(z.toInt() >= 86340 && z.toInt() <= 86345, z.constData());

    // to the millisecond: the query's own line and answer take about 12 ms
    REQUIRE(b.send("p45254.500"), b);
    REQUIRE(b.query("q", &z), b);
    QVERIFY2(z.startsWith("45254.5") && z.endsWith(" 0 +0"), z.constData());

    // summer time by itself: two seconds before 02:00 CET it reads 03:00
    REQUIRE(b.send("p7198.000 2027-03-28 +60"), b);
    REQUIRE(b.send("o2027-03-28 02:00 +120"), b);
    QVERIFY2(waitUntil([&] { return b.query("q", &z) && z.startsWith("108"); }, 5000), z.constData());
    QVERIFY2(z.endsWith(" 0 +0"), z.constData());
}

void TestVirtualBoard::patternRoundTripAndRefusedLines()
{
    BoardSession b;
    START_OPEN(b);
    QByteArray answer;
    const QByteArray a = "a" + pattern48({0, 25, 26, 27, 47});
    const QByteArray bl = "b" + pattern48({1, 2, 46});

    REQUIRE(b.query("f", &answer), b);
    QCOMPARE(answer, "a" + pattern48({}));
    REQUIRE(b.send(a), b);
    REQUIRE(b.silentThenQuery(&answer), b);
    REQUIRE(b.send(bl, "\r\n"), b);
    REQUIRE(b.silentThenQuery(&answer), b);
    REQUIRE(b.query("f", &answer), b);
    QCOMPARE(answer, a);
    REQUIRE(b.query("e", &answer), b);
    QCOMPARE(answer, bl);

    const QList<QPair<QByteArray, QByteArray>> bad = {
        {"a" + QByteArray(47, '1'), "error: bad length"},
        {"b" + QByteArray(47, '1') + "2", "error: bad digit"},
        {"a" + QByteArray(200, '1'), "error: line too long"},
        {"y", "error: unknown command"},
        {"", "error: empty line"},
    };
    for (const auto &[line, error] : bad) {
        REQUIRE(b.query(line, &answer), b);
        QCOMPARE(answer, error);
    }
    REQUIRE(b.query("f", &answer), b);
    QCOMPARE(answer, a);
    REQUIRE(b.query("e", &answer), b);
    QCOMPARE(answer, bl);
    // the status still names the refused set commands; the queries above
    // cleared the refusals without a command letter
    REQUIRE(b.query("s", &answer), b);
    QVERIFY2(answer.endsWith(" pattern stored day Mon assumed trim +0 ppm; refused a: line too long; refused b: bad digit"),
             answer.constData());
}

void TestVirtualBoard::lightFollowsClock()
{
    BoardSession b;
    START_OPEN(b);
    QByteArray answer;
    // entries 25..32: 06:00 to 08:00
    REQUIRE(b.send("a" + pattern48({25, 26, 27, 28, 29, 30, 31, 32})), b);
    REQUIRE(b.silentThenQuery(&answer), b);
    REQUIRE(b.waitLight(0, &answer), b);

    REQUIRE(b.control("settime 23400", &answer), b);   // 06:30
    QCOMPARE(answer, QByteArray("ok"));
    if (!b.waitLight(1, &answer))
        QFAIL(qPrintable("light not on at 06:30, last: " + answer));
    REQUIRE(b.query("s", &answer), b);
    QVERIFY2(answer.startsWith("time 06:30:0") && answer.contains(" light on "), answer.constData());

    REQUIRE(b.control("settime 32400", &answer), b);   // 09:00
    if (!b.waitLight(0, &answer))
        QFAIL(qPrintable("light not off at 09:00, last: " + answer));

    // the firmware's own time command drives the pins too
    REQUIRE(b.send("t07:59"), b);
    if (!b.waitLight(1, &answer))
        QFAIL(qPrintable("light not on at 07:59, last: " + answer));
    REQUIRE(b.send("t08:00"), b);
    if (!b.waitLight(0, &answer))
        QFAIL(qPrintable("light not off at 08:00, last: " + answer));
}

void TestVirtualBoard::powerCutKeepsPattern()
{
    BoardSession b;
    START_OPEN(b);
    QByteArray answer;
    const QByteArray a = "a" + pattern48({25, 26, 27, 28, 29, 30, 31, 32});
    REQUIRE(b.send(a), b);
    REQUIRE(b.send("t06:30"), b);
    REQUIRE(b.silentThenQuery(&answer), b);
    REQUIRE(b.waitLight(1, &answer), b);

    REQUIRE(b.control("powercut", &answer), b);
    QCOMPARE(answer, QByteArray("ok"));
    // the restarted chip greets on the still open port, and has no time
    REQUIRE(b.readLine(&answer), b);
    QCOMPARE(answer, kNotSet);
    REQUIRE(b.query("f", &answer), b);
    QCOMPARE(answer, a);
    // the clock was in RAM: back at midnight, so the light is off
    REQUIRE(b.query("z", &answer), b);
    QVERIFY2(answer.toInt() < 60, answer.constData());
    REQUIRE(b.waitLight(0, &answer), b);
    REQUIRE(b.query("s", &answer), b);
    QVERIFY2(answer.startsWith("time 00:00:") && answer.endsWith(" (not set) light off pattern partial day Mon assumed trim +0 ppm"),
             answer.constData());
}

void TestVirtualBoard::eepromFileKeepsPatternAcrossRuns()
{
    const QByteArray a = "a" + pattern48({3, 4, 5});
    const QByteArray bl = "b" + pattern48({44});
    QByteArray answer;
    QString eeprom;
    QTemporaryDir keep;
    {
        BoardSession b;
        b.eepromPath = keep.filePath("ee.bin");
        eeprom = b.eepromPath;
        START_OPEN(b);
        REQUIRE(b.send(a), b);
        REQUIRE(b.send(bl), b);
        REQUIRE(b.silentThenQuery(&answer), b);
        REQUIRE(b.control("quit", &answer), b);
        QVERIFY(b.proc.waitForFinished(kWaitMs));
        QCOMPARE(b.proc.exitCode(), 0);
        QVERIFY(!QFileInfo(b.link).isSymLink());
    }
    QCOMPARE(QFileInfo(eeprom).size(), 1024);
    {
        BoardSession b;
        b.eepromPath = eeprom;
        START_OPEN(b);
        REQUIRE(b.query("f", &answer), b);
        QCOMPARE(answer, a);
        REQUIRE(b.query("e", &answer), b);
        QCOMPARE(answer, bl);
    }
}

void TestVirtualBoard::controlInterface()
{
    BoardSession b;
    START_OPEN(b);
    QByteArray answer;
    REQUIRE(b.control("settime 86400", &answer), b);
    QVERIFY2(answer.startsWith("error: "), answer.constData());
    REQUIRE(b.control("settime", &answer), b);
    QVERIFY2(answer.startsWith("error: "), answer.constData());
    REQUIRE(b.control("settime -5", &answer), b);
    QVERIFY2(answer.startsWith("error: "), answer.constData());
    REQUIRE(b.control("bogus", &answer), b);
    QCOMPARE(answer, QByteArray("error: unknown command"));

    REQUIRE(b.control("settime 86390", &answer), b);
    QCOMPARE(answer, QByteArray("ok"));
    REQUIRE(waitUntil([&] { return b.control("time?", &answer) && answer.startsWith("time 8639"); }), b);
    // advancing wraps past midnight
    REQUIRE(b.control("advance 20", &answer), b);
    QCOMPARE(answer, QByteArray("ok"));
    REQUIRE(waitUntil([&] {
                return b.control("time?", &answer) && answer.mid(5).toDouble() >= 10 &&
                       answer.mid(5).toDouble() < 20;
            }), b);
    REQUIRE(b.query("z", &answer), b);
    QVERIFY2(answer.toInt() >= 10 && answer.toInt() < 20, answer.constData());
    // and moves the date on: Sunday's last quarter hour on, Monday's first off
    REQUIRE(b.send("w7a" + pattern48({0, 1})) && b.send("p86340.000 2026-12-13 +0"), b);
    REQUIRE(b.waitLight(1, &answer) && b.control("advance 60", &answer), b);
    REQUIRE(b.waitLight(0, &answer) && b.query("s", &answer), b);
    QVERIFY2(answer.contains(" light off pattern partial date 2026-12-14 Mon "), answer.constData());

    // a second control client works alongside the first
    ControlClient other(b.controlPath);
    REQUIRE(other.command("light?", &answer), other);
    QCOMPARE(answer, QByteArray("light 0"));
}

// A program may write far more than the board takes at once (here 20 KB,
// about 22 s of line time); like a real line, the port holds the writer back
// and every line arrives whole.
void TestVirtualBoard::burstWaitsInsteadOfBeingCut()
{
    BoardSession b;
    START_OPEN(b);
    // alternating, so every store really writes and the last one is known
    const QByteArray stores[2] = {"a" + pattern48({1, 25, 47}), "a" + pattern48({0, 26, 46})};
    const int count = 400;
    QByteArray burst;
    for (int i = 0; i < count; ++i)
        burst += stores[i % 2] + "\nz\n";
    QVERIFY(burst.size() >= 20000);
    QCOMPARE(b.port.write(burst), qint64(burst.size()));

    // readLine keeps the port writing while it waits; each answer has its deadline
    QByteArray answer;
    for (int i = 0; i < count; ++i) {
        const QString which = QStringLiteral("answer %1 of %2: ").arg(i + 1).arg(count);
        if (!b.readLine(&answer))
            QFAIL(qPrintable(which + b.error));
        bool digits = !answer.isEmpty();
        for (char c : std::as_const(answer))
            digits &= c >= '0' && c <= '9';
        if (!digits)
            QFAIL(qPrintable(which + QString::fromLatin1(answer)));
    }
    REQUIRE(b.query("f", &answer), b);
    QCOMPARE(answer, stores[(count - 1) % 2]);
}

void TestVirtualBoard::clockErrorRunsChipFast()
{
    // A resonator 10 % fast: the chip's clock gains 100 ms a host second,
    // read to the millisecond (the margin is for a busy host's catching up).
    BoardSession b;
    REQUIRE(b.start({"--clock-error", "100000"}), b);
    QByteArray t0, t1;
    REQUIRE(b.openPort() && b.readLine(&t0), b);   // the firmware runs
    REQUIRE(b.control("time?", &t0), b);
    QElapsedTimer host;
    host.start();
    QTest::qWait(2000);   // the interval measured, not a wait for an outcome
    REQUIRE(b.control("time?", &t1), b);
    const double gain = t1.mid(5).toDouble() - t0.mid(5).toDouble() - host.elapsed() / 1000.0;
    QVERIFY2(qAbs(gain - 0.1 * host.elapsed() / 1000.0) < 0.06, t0 + " " + t1);
}

namespace {
// On 00:00-12:00, 18:00-23:00 and 23:15-23:45, every day.
const QByteArray kMorning = "a" + QByteArray(48, '1');
const QByteArray kEvening = "b" + pattern48({25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 46, 47});
} // namespace

// The button: a short press flips the light until the program's next edge,
// a long one holds it, through a power cut too; the stack keeps its margin.
void TestVirtualBoard::buttonFlipsAndHoldsTheLight()
{
    BoardSession b;
    START_OPEN(b);
    QByteArray answer;
    REQUIRE(b.send(kMorning) && b.send(kEvening) && b.send("p72000.000 2026-12-09 +60"), b);
    REQUIRE(b.waitLight(1, &answer), b);
    REQUIRE(b.control("press", &answer), b);
    QCOMPARE(answer, QByteArray("ok"));
    REQUIRE(b.waitLight(0, &answer) && b.query("m", &answer), b);
    QCOMPARE(answer, QByteArray("light off until 23:00"));
    // past the edge the program rules again: off, then on at 23:15
    REQUIRE(b.control("settime 82795", &answer), b);
    REQUIRE(waitUntil([&] { return b.query("m", &answer) && answer == "light auto"; }), b);
    REQUIRE(b.control("light?", &answer), b);
    QCOMPARE(answer, QByteArray("light 0"));
    REQUIRE(b.control("settime 83700", &answer) && b.waitLight(1, &answer), b);

    REQUIRE(b.control("press 2.5", &answer) && b.waitLight(0, &answer) && b.query("m", &answer), b);
    QCOMPARE(answer, QByteArray("light off held"));
    REQUIRE(b.control("powercut", &answer) && b.readLine(&answer), b);
    QCOMPARE(answer, kNotSet);
    // 00:00, when the program says on
    REQUIRE(b.query("m", &answer), b);
    QCOMPARE(answer, QByteArray("light off held"));
    REQUIRE(b.control("light?", &answer), b);
    QCOMPARE(answer, QByteArray("light 0"));
    REQUIRE(b.control("press 0.1", &answer) && b.waitLight(1, &answer) && b.query("m", &answer), b);
    QCOMPARE(answer, QByteArray("light auto"));

    REQUIRE(b.control("press 0", &answer), b);
    QVERIFY2(answer.startsWith("error: "), answer.constData());
    REQUIRE(b.control("stack", &answer), b);
    QVERIFY2(answer.startsWith("stack ") && answer.mid(6).toInt() >= 300, answer.constData());
}

// A reset in the middle of an evening while away: the light, away and a
// light switched by hand until the next edge all carry on.
void TestVirtualBoard::resetKeepsTheEveningAway()
{
    BoardSession b;
    START_OPEN(b);
    QByteArray answer, manual;
    REQUIRE(b.send(kEvening) && b.send("v30") && b.send("p72000.000 2026-12-09 +60"), b);
    REQUIRE(b.waitLight(1, &answer) && b.query("s", &answer), b);
    QVERIFY2(answer.contains(" light on ") && answer.contains(" away 30 "), answer.constData());
    REQUIRE(b.control("reset", &answer) && b.readLine(&answer), b);
    QCOMPARE(answer, kReady);
    REQUIRE(b.query("s", &answer), b);
    QVERIFY2(answer.contains(" light on ") && answer.contains(" away 30 "), answer.constData());
    REQUIRE(b.control("light?", &answer), b);
    QCOMPARE(answer, QByteArray("light 1"));

    // off until the evening's moved edge, near 23:00, also after a reset
    REQUIRE(b.query("m0", &manual), b);
    QVERIFY2(manual.startsWith("light off until 23:0") || manual.startsWith("light off until 22:5"), manual.constData());
    REQUIRE(b.waitLight(0, &answer), b);
    REQUIRE(b.control("reset", &answer) && b.readLine(&answer) && b.query("m", &answer), b);
    QCOMPARE(answer, manual);
    REQUIRE(b.control("light?", &answer), b);
    QCOMPARE(answer, QByteArray("light 0"));
}

QTEST_GUILESS_MAIN(TestVirtualBoard)
#include "tst_virtual_board.moc"
