// SPDX-License-Identifier: GPL-3.0-or-later
// daywheel-ctl, the installed program itself, against the real firmware on
// the virtual board: a day sent comes back whole, a refused line fails, and
// a blank board behind each real bootloader is flashed and keeps its time.

#include "board_session.h"
#include "protocol/daywheel_protocol.h"
#include "schedule_file/schedule_file.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

class TstCtlOnBoard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { board.stop(); }
    // a test with a board of its own made its alias folder the runtime one
    void cleanup() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(board.dir.path())); }
    void sendThenGet();
    void strayValuesGoAsOff();
    void lightByHand();
    void flashBlankBoard_data();
    void flashBlankBoard();
    void learnsItsDrift();
    void learnsBehindBootloader_data();
    void learnsBehindBootloader();

private:
    // Runs daywheel-ctl with the words; its exit status, or -1.
    int ctl(const QStringList &words, QByteArray *out = nullptr, QByteArray *err = nullptr)
    {
        QProcess p;
        p.start(QStringLiteral(DAYWHEEL_CTL), words);
        if (!p.waitForFinished(90000))
            return -1;
        if (out)
            *out = p.readAllStandardOutput();
        if (err)
            *err = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    boardtest::BoardSession board;
    QTemporaryDir folder;
};

void TstCtlOnBoard::initTestCase()
{
    const QString missing = boardtest::missingTools();
    QVERIFY2(missing.isEmpty(), qPrintable(missing + " (scripts/setup installs gcc-avr and simavr)"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(board.dir.path()));
    qputenv("TZ", "Europe/Berlin");   // daywheel-ctl gives a board without a place the zone's
    QVERIFY2(board.start({}, false), qPrintable(board.error));
}

void TstCtlOnBoard::sendThenGet()
{
    QByteArray out, err;
    QCOMPARE(ctl({"get"}, &out, &err), 0);
    QCOMPARE(err, QByteArray("the board has never stored a day: it answers 0 for every quarter hour\n"));
    DayTable day;
    for (int i : {0, 1, 2, 25, 26, 47, 48, 70, 95})
        day.set(i, 1);
    const QString sent = folder.filePath("sent.txt"), got = folder.filePath("got.txt");
    QVERIFY(saveSchedule(sent, day).ok());
    QCOMPARE(ctl({"send", sent}, &out, &err), 0);
    QVERIFY2(out.startsWith("sent and read back: a111"), out + err);
    QCOMPARE(ctl({"get", got}), 0);
    const auto bytes = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unreadable");
    };
    QCOMPARE(bytes(got), bytes(sent));
    // a week whose Saturday differs, there and back as a week file
    Week week;
    week.setEveryDay(day);
    week.day(6).set(40, 1);
    QVERIFY(saveWeek(sent, week).ok());
    QCOMPARE(ctl({"send", sent}, &out, &err), 0);
    QCOMPARE(ctl({"get", got}), 0);
    QCOMPARE(bytes(got), bytes(sent));
    QCOMPARE(ctl({"status"}, &out), 0);
    QVERIFY2(out.startsWith("time ") && out.contains("pattern stored"), out);
    QCOMPARE(ctl({"set-time"}, &out), 0);   // to the ms, at once
    QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\([+-]0\\.0\\d\\d s from the host's [0-9:.]{12}\\); "
                                "was [+-]\\d+\\.\\d{3} s off; trim [+-]\\d+ ppm\\n$").match(out).hasMatch(), out);
    QCOMPARE(ctl({"get-time"}, &out), 0);
    QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\n$").match(out).hasMatch(), out);
}

// A value other than 0 and 1 goes as off, as the dial draws it: never a
// half the board refuses while it keeps the other.
void TstCtlOnBoard::strayValuesGoAsOff()
{
    DayTable day;
    day.set(10, 5);
    day.set(11, 1);
    const QString file = folder.filePath("five.txt"), got = folder.filePath("five-got.txt");
    QVERIFY(saveSchedule(file, day).ok());
    QByteArray out, err;
    QCOMPARE(ctl({"--port", "10", "send", file}, &out, &err), 0);
    QCOMPARE(err, QByteArray("1 quarter hour held a value other than 0 or 1 and went as off\n"));
    QCOMPARE(ctl({"get", got}), 0);
    DayTable held;
    QVERIFY(loadSchedule(got, held).ok());
    day.set(10, 0);
    QCOMPARE(held, day);
}

// The light by hand from the computer and the button: for a while, held
// through a power cut, and back to the program.
void TstCtlOnBoard::lightByHand()
{
    const QString off = folder.filePath("off.txt");
    QVERIFY(saveSchedule(off, DayTable()).ok());
    QByteArray out, err, answer;
    QCOMPARE(ctl({"send", off}), 0);
    QCOMPARE(ctl({"set-time"}), 0);
    QCOMPARE(ctl({"place"}, &out), 0);
    QCOMPARE(out, QByteArray("52.50 13.37\n"));   // given with the time: the zone's
    QCOMPARE(ctl({"light", "on", "--for", "90m"}, &out, &err), 0);
    QVERIFY2(QRegularExpression("^light on until (\\w{3} )?\\d\\d:\\d\\d\\n$").match(out).hasMatch(), out + err);
    const auto light = [&] { return board.control("light?", &answer) ? answer : board.error.toUtf8(); };
    QCOMPARE(light(), QByteArray("light 1"));
    QCOMPARE(ctl({"light", "auto"}, &out), 0);
    QCOMPARE(out, QByteArray("light auto\n"));
    QVERIFY(boardtest::waitUntil([&] { return light() == "light 0"; }));
    QVERIFY(board.control("press 2.5", &answer) && answer == "ok");   // on, and held
    QCOMPARE(light(), QByteArray("light 1"));
    QVERIFY(board.control("powercut", &answer) && answer == "ok");
    QVERIFY(boardtest::waitUntil([&] { return ctl({"status"}, &out) == 0; }, 30000));
    QVERIFY2(out.contains("(not set)") && out.contains(DW_STATUS_MANUAL "on held"), out);
    QCOMPARE(light(), QByteArray("light 1"));
    QCOMPARE(ctl({"light", "auto"}, &out), 0);
    QVERIFY(boardtest::waitUntil([&] { return light() == "light 0"; }));
    QCOMPARE(ctl({"away", "20", "2026-12-20", "2027-01-06"}, &out), 0);
    QCOMPARE(out, QByteArray("away 20 2026-12-20 2027-01-06\n"));
    QCOMPARE(ctl({"away", "off"}, &out), 0);
}

void TstCtlOnBoard::flashBlankBoard_data()
{
    QTest::addColumn<QString>("bootloader");
    QTest::addColumn<QString>("other");
    QTest::newRow("uno-optiboot") << "optiboot" << "atmegaboot";
    QTest::newRow("nano-atmegaboot") << "atmegaboot" << "optiboot";
}

// The first hour on a new board, and what its bootloader does to the time.
void TstCtlOnBoard::flashBlankBoard()
{
    QFETCH(QString, bootloader);
    QFETCH(QString, other);
    boardtest::BoardSession b;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(b.dir.path()));   // its alias com10 is the one board
    QVERIFY2(b.start({"--bootloader", bootloader, "--blank"}, false), qPrintable(b.error));
    b.link = b.defaultLink();
    QByteArray out, err, line, t0, t1;
    QVERIFY2(ctl({"flash", "--now"}, &out, &err) == 0, out + err);
    QVERIFY2(out.contains("\nthe board greets: Daywheel board ready, time not set, week, sun, clock to the ms\n"), out + err);

    // every open resets it, however soon after a close; the time is kept
    QElapsedTimer elapsed;
    QVERIFY(b.control("time?", &t0));
    elapsed.start();
    const auto drift = [&] {
        return qAbs(t1.mid(5).toDouble() - t0.mid(5).toDouble() - elapsed.elapsed() / 1000.0);
    };
    for (int i = 0; i < 10; ++i) {
        b.port.close();
        QVERIFY2(b.openPort() && b.readLine(&line), qPrintable(b.error));
        QCOMPARE(line, QByteArray(DW_GREETING DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE));
    }
    QVERIFY(b.control("time?", &t1));
    QVERIFY2(drift() <= 2, t0 + " " + t1);

    // a hung main loop (interrupts on) restarts within 5 s, time kept
    QVERIFY(b.control("hang", &line));
    QCOMPARE(line, QByteArray("ok"));
    QVERIFY2(b.readLine(&line, 5000), qPrintable(b.error));
    QCOMPARE(line, QByteArray(DW_GREETING DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE));
    QVERIFY(b.control("time?", &t1));
    QVERIFY2(drift() <= 2, t0 + " " + t1);

    b.port.close();
    QCOMPARE(ctl({"flash", "--bootloader", other}, &out, &err), 1);
    QVERIFY2(err.contains(": flash: no bootloader answered at ") && err.count('\n') == 1, err);
}

// A resonator 5000 ppm slow: two sets a minute apart (the shortest interval
// the board learns from) teach it a trim that holds it within 200 ppm of the
// host over the next 30 s (6 ms; 150 ms untrimmed); after a power cut the
// trim is still in effect.
void TstCtlOnBoard::learnsItsDrift()
{
    boardtest::BoardSession b;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(b.dir.path()));
    QVERIFY2(b.start({"--bootloader", "optiboot", "--clock-error", "-5000"}, false), qPrintable(b.error));
    const QRegularExpression said("; was ([+-][0-9.]+) s off; trim ([+-]\\d+) ppm\n$");
    QList<QRegularExpressionMatch> sets;
    QByteArray out, t0, t1;
    QElapsedTimer interval;
    const auto setTime = [&] {
        QCOMPARE(ctl({"set-time"}, &out), 0);
        sets << said.match(QString::fromLatin1(out));
        QVERIFY2(sets.last().hasMatch(), out);
    };
    // the intervals measured, not guesses at timing
    setTime();
    interval.start();
    QTest::qWait(61000);
    setTime();
    const double expected = -0.005 * interval.elapsed() / 1000.0;
    QVERIFY2(qAbs(sets[1].captured(1).toDouble() - expected) < 0.02,
             qPrintable(sets[1].captured(0) + QString(" (expected %1 s)").arg(expected)));
    QVERIFY2(qAbs(sets[1].captured(2).toInt() - 5025) < 100, qPrintable(sets[1].captured(0)));
    // read through the control socket: no port open, no reset between
    QVERIFY(b.control("time?", &t0));
    interval.start();
    QTest::qWait(30000);
    QVERIFY(b.control("time?", &t1));
    const double ppm = ((t1.mid(5).toDouble() - t0.mid(5).toDouble()) * 1000 - interval.elapsed()) / interval.elapsed() * 1e6;
    qInfo("learned: %s; then %.1f ppm off the host", qPrintable(sets[1].captured(0).trimmed()), ppm);
    QVERIFY2(qAbs(ppm) < 200, qPrintable(QString::number(ppm)));
    QVERIFY(b.control("powercut", &out));
    setTime();
    QVERIFY2(qAbs(sets[2].captured(2).toInt() - 5025) < 100, qPrintable(sets[2].captured(0)));
}

void TstCtlOnBoard::learnsBehindBootloader_data()
{
    QTest::addColumn<QString>("bootloader");
    QTest::addColumn<QString>("watchdogError");   // ppm; real ones are several per cent off
    QTest::newRow("optiboot") << "optiboot" << "-80000";
    QTest::newRow("atmegaboot") << "atmegaboot" << "60000";
}

// A resonator 300 ppm slow behind a real bootloader: a set, three opens of
// the port (three resets) within two minutes, a set. Each reset's hold is
// added back as it was, not taught as drift: 15 ms mistaken at each would
// be 500 ppm.
void TstCtlOnBoard::learnsBehindBootloader()
{
    QFETCH(QString, bootloader);
    QFETCH(QString, watchdogError);
    boardtest::BoardSession b;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(b.dir.path()));
    QVERIFY2(b.start({"--bootloader", bootloader, "--clock-error", "-300", "--watchdog-error", watchdogError}, false),
             qPrintable(b.error));
    QByteArray out;
    QCOMPARE(ctl({"set-time"}, &out), 0);
    for (int reset = 0; reset < 4; ++reset) {   // the intervals measured, not guesses at timing
        QTest::qWait(25000);
        QCOMPARE(ctl({reset < 3 ? "status" : "set-time"}, &out), 0);
    }
    const QRegularExpressionMatch trim = QRegularExpression("; trim ([+-]\\d+) ppm\n$").match(QString::fromLatin1(out));
    QVERIFY2(trim.hasMatch(), out);
    qInfo("%s", out.trimmed().constData());
    QVERIFY2(qAbs(trim.captured(1).toInt() - 300) <= 50, out);
}

QTEST_GUILESS_MAIN(TstCtlOnBoard)
#include "tst_ctl_on_board.moc"
