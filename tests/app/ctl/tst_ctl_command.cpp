// SPDX-License-Identifier: GPL-3.0-or-later
// daywheel-ctl's commands against a test board on a pseudo-terminal,
// without a display: what they print, what they send and how they exit.

#include "app/ctl/ctl_command.h"
#include "app/ctl/flasher.h"
#include "schedule/clock_source.h"
#include "schedule_file/schedule_file.h"
#include "board/wire_format.h"
#include "board/test_board.h"

#include <QtTest>

using namespace std::chrono_literals;

class TstCtlCommand : public QObject
{
    Q_OBJECT
private slots:
    void usage_data();
    void usage();
    void commands_data();
    void commands();
    void flashTriesOnceMore_data();
    void flashTriesOnceMore();
};

namespace {
// Mo-Fr 06:00-08:00, Sa-Su 09:00-11:00
Week workWeek()
{
    Week week;
    for (int d = 1; d <= 7; ++d)
        for (int s = d <= 5 ? 25 : 37; s <= (d <= 5 ? 32 : 44); ++s)
            week.day(d).set(s, 1);
    return week;
}
}

void TstCtlCommand::usage_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("error");
    QTest::newRow("nothing") << QStringList{} << "no command given";
    QTest::newRow("unknown") << QStringList{"frob"} << "unknown command frob";
    QTest::newRow("send without file") << QStringList{"send"} << "send: which file?";
    QTest::newRow("bad port") << QStringList{"--port", "ten", "status"} << "--port ten: not a port number or a device path";
    QTest::newRow("--now alone") << QStringList{"status", "--now"} << "--now goes with set-time and flash only";
    QTest::newRow("--bootloader elsewhere") << QStringList{"--bootloader", "optiboot", "status"} << "--bootloader goes with flash only";
    QTest::newRow("device path") << QStringList{"--port=/dev/ttyUSB0", "get", "day.txt"} << "";
    QTest::newRow("flash a Nano now") << QStringList{"flash", "--bootloader", "atmegaboot", "--now"} << "";
    QTest::newRow("south-west place") << QStringList{"place", "-33.87", "-151.2"} << "";
    QTest::newRow("place beyond a pole") << QStringList{"place", "90.01", "0"}
                                         << "place takes a latitude (-90 to 90) and a longitude (-180 to 180) in decimal "
                                            "degrees, north and east positive: place 52.50 13.37";
    QTest::newRow("away, days backwards") << QStringList{"away", "30", "2027-01-06", "2026-12-20"}
                                          << "away: the first and last day are dates yyyy-mm-dd of 2000-2099, the first "
                                             "not after the last";
    QTest::newRow("away 0") << QStringList{"away", "0"}
                            << "away takes the minutes (1 to 60) and may go on with the first and last day (yyyy-mm-dd), or off";
    QTest::newRow("light for 1h30m") << QStringList{"light", "off", "--for", "1h30m"} << "";
    QTest::newRow("light for 2x") << QStringList{"light", "on", "--for", "2x"}
                                  << "--for takes a duration such as 90m, 2h or 1h30m, up to 168h";
    QTest::newRow("light for and held") << QStringList{"light", "on", "--for", "2h", "--held"}
                                        << "--for and --held exclude each other";
    QTest::newRow("light auto held") << QStringList{"light", "auto", "--held"} << "light auto takes neither --for nor --held";
    QTest::newRow("held elsewhere") << QStringList{"status", "--held"} << "--for and --held go with light only";
}

void TstCtlCommand::usage()
{
    QFETCH(QStringList, words);
    QFETCH(QString, error);
    CtlArguments arguments;
    const std::optional<CtlRequest> request = arguments.parse(QStringList{"daywheel-ctl"} + words);
    QCOMPARE(arguments.error(), error);
    QCOMPARE(request.has_value(), error.isEmpty());
}

void TstCtlCommand::commands_data()
{
    // The board keeps what a and b store and answers f and e with it, s with
    // a status and z with `clock`; `refuse` makes it refuse every a line.
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QByteArray>("clock");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<int>("exitStatus");
    QTest::addColumn<QByteArray>("printed");   // for failures: part of the error line
    QTest::addColumn<QByteArrayList>("sent");
    QTest::addColumn<QByteArray>("greeting");   // a week board keeps w lines, answers r; a sun board g, v, m
    const QByteArray dayBoard = DW_GREETING, weekBoard = DW_GREETING DW_GREETING_WEEK DW_GREETING_PRECISE,
                     sunBoard = DW_GREETING DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE;
    const QByteArray a = "a" + QByteArray(24, '0') + QByteArray(24, '1') + "\n";
    const QByteArray b = "b" + QByteArray(48, '0') + "\n";
    QTest::newRow("status") << QStringList{"status"} << QByteArray() << false << 0
                            << QByteArray("time 12:00:00 light on pattern stored\n") << QByteArrayList{"s\n"} << dayBoard;
    QTest::newRow("get-time") << QStringList{"get-time"} << QByteArray("45296\r\n") << false << 0
                              << QByteArray("12:34:56\n") << QByteArrayList{"z\n"} << dayBoard;
    QTest::newRow("get-time, no answer") << QStringList{"get-time"} << QByteArray() << false << 1
                                         << QByteArray(": get-time: no answer to \"z\" in time") << QByteArrayList{"z\n"} << dayBoard;
    QTest::newRow("set-time --now") << QStringList{"set-time", "--now"} << QByteArray("50700\r\n") << false << 0
                                    << QByteArray("14:05:00 (-30.0 s from the host's 14:05:30.000)\n")
                                    << QByteArrayList{"t14:05\n", "z\n"} << dayBoard;
    QTest::newRow("send") << QStringList{"send", "day"} << QByteArray() << false << 0
                          << "sent and read back: " + a.chopped(1) + ' ' + b.chopped(1) + '\n'
                          << QByteArrayList{a, b, "f\n", "e\n"} << dayBoard;
    QTest::newRow("send, refused") << QStringList{"send", "day"} << QByteArray() << true << 1
                                   << QByteArray(": send: part a not stored; the board says: time")
                                   << QByteArrayList{a, b, "f\n", "e\n", "s\n"} << dayBoard;
    QTest::newRow("send, no such file") << QStringList{"send", "nothing"} << QByteArray() << false << 2
                                        << QByteArray("port 10: send: ") << QByteArrayList{} << dayBoard;
    QTest::newRow("get") << QStringList{"get"} << QByteArray() << false << 0 << QByteArray("file")
                         << QByteArrayList{"f\n", "e\n"} << dayBoard;
    const QList<QByteArray> week = weekLines(workWeek());
    QByteArrayList readBack;
    for (int d = 1; d <= 7; ++d)
        readBack << dayHalfQuery(d, 0) << dayHalfQuery(d, 1);
    QTest::newRow("send week") << QStringList{"send", "week"} << QByteArray() << false << 0
                               << "sent and read back: " + QByteArrayList(week).join(' ').replace('\n', "") + '\n'
                               << QByteArrayList(week) + readBack << weekBoard;
    QTest::newRow("send week, older board") << QStringList{"send", "week"} << QByteArray() << false << 1
                                            << QByteArray(": send: this board keeps one day only") << QByteArrayList{}
                                            << dayBoard;
    QTest::newRow("get week") << QStringList{"get"} << QByteArray() << false << 0 << QByteArray("week") << readBack
                              << weekBoard;
    QTest::newRow("place, none held") << QStringList{"place"} << QByteArray() << false << 0 << QByteArray("no place\n")
                                      << QByteArrayList{"g\n"} << sunBoard;
    QTest::newRow("place set") << QStringList{"place", "-33.87", "151.2"} << QByteArray() << false << 0
                               << QByteArray("-33.87 151.20\n") << QByteArrayList{"g-33.87 +151.20\n", "g\n"} << sunBoard;
    QTest::newRow("place refused") << QStringList{"place", "-0.5", "-78.47"} << QByteArray() << true << 1
                                   << QByteArray(": place: the board kept g none (error: bad digit)")
                                   << QByteArrayList{"g-0.50 -78.47\n", "g\n"} << sunBoard;
    QTest::newRow("away with days") << QStringList{"away", "30", "2026-12-20", "2027-01-06"} << QByteArray() << false << 0
                                    << QByteArray("away 30 2026-12-20 2027-01-06\n")
                                    << QByteArrayList{"v30 2026-12-20 2027-01-06\n", "v\n"} << sunBoard;
    QTest::newRow("away off") << QStringList{"away", "off"} << QByteArray() << false << 0 << QByteArray("away off\n")
                              << QByteArrayList{"v0\n", "v\n"} << sunBoard;
    QTest::newRow("light held") << QStringList{"light", "on", "--held"} << QByteArray() << false << 0
                                << QByteArray("light on held\n") << QByteArrayList{"m1 h\n"} << sunBoard;
    QTest::newRow("light, clock not set") << QStringList{"light", "off", "--for", "90m"} << QByteArray() << true << 1
                                          << QByteArray(": light: the board answered: error: bad time")
                                          << QByteArrayList{"m0 +5400\n"} << sunBoard;
    QTest::newRow("light, older board") << QStringList{"light", "auto"} << QByteArray() << false << 1
                                        << QByteArray(": light: this board does not know the place, the dark, away or the "
                                                      "light by hand")
                                        << QByteArrayList{} << weekBoard;
}

void TstCtlCommand::commands()
{
    QFETCH(QStringList, words);
    QFETCH(QByteArray, clock);
    QFETCH(bool, refuse);
    QFETCH(int, exitStatus);
    QFETCH(QByteArray, printed);
    QFETCH(QByteArrayList, sent);
    QFETCH(QByteArray, greeting);
    QTemporaryDir folder;
    DayTable day;
    for (int i = 24; i < 48; ++i)
        day.set(i, 1);
    QVERIFY(saveSchedule(folder.filePath("day"), day).ok());
    QVERIFY(saveWeek(folder.filePath("week"), workWeek()).ok());
    words.replaceInStrings(QRegularExpression("^(day|week|nothing)$"), folder.filePath("\\1"));
    ClockSource::set([] { return QDateTime(QDate(2024, 5, 6), QTime(14, 5, 30)); });

    TestBoard board(10);
    QByteArray storedA = "a" + QByteArray(48, '0'), storedB = "b" + QByteArray(48, '1');
    QMap<QByteArray, QByteArray> days;   // a week board's halves, by "1a"
    QMap<char, QByteArray> settings{{DW_CMD_PLACE, "g none"}};   // a sun board's, by letter
    board.greeting = greeting + "\r\n";
    if (greeting.contains(DW_GREETING_WEEK)) {
        for (const QByteArray &line : weekLines(workWeek()))
            days[line.mid(1, 2)] = line.chopped(1);
    }
    board.answer = [&](const QByteArray &line) -> QByteArray {
        if (line[0] == DW_CMD_LIGHT)
            return refuse ? "error: " DW_REFUSED_TIME "\r\n" : "light on held\r\n";
        if ((line[0] == DW_CMD_PLACE || line[0] == DW_CMD_AWAY) && line.size() == 2)
            return settings.value(line[0]) + "\r\n";
        if (line[0] == DW_CMD_PLACE || line[0] == DW_CMD_AWAY) {
            if (refuse)
                return "error: " DW_REFUSED_DIGIT "\r\n";
            settings[line[0]] = line.chopped(1);
        }
        if (line[0] == DW_CMD_STORE_DAY)
            days[line.mid(1, 2)] = line.chopped(1);
        if (line[0] == DW_CMD_GET_DAY)
            return days.value(line.mid(1, 2)) + "\r\n";
        if (line[0] == 'b' || (line[0] == 'a' && !refuse))
            (line[0] == 'a' ? storedA : storedB) = line.chopped(1);
        if (line == "f\n" || line == "e\n")
            return (line == "f\n" ? storedA : storedB) + "\r\n";
        if (line == "s\n")
            return "time 12:00:00 light on pattern stored\r\n";
        return line == "z\n" ? clock : QByteArray();
    };
    QByteArray out, err;
    const std::optional<CtlRequest> request = CtlArguments().parse(QStringList{"daywheel-ctl"} + words);
    QVERIFY(request);
    CtlCommand command(*request, [&](const QByteArray &b) { out += b; },
                       [&](const QByteArray &b) { err += b; });
    command.board().setBounds({5s, 500ms});
    QSignalSpy finished(&command, &CtlCommand::finished);
    command.start();
    QVERIFY(!finished.isEmpty() || finished.wait(10000));
    QCOMPARE(finished.first().first().toInt(), exitStatus);
    QCOMPARE(board.received, sent);
    if (exitStatus != 0) {
        QVERIFY2(err.startsWith("daywheel-ctl: port 10") && err.contains(printed) && err.count('\n') == 1, err);
        QVERIFY(out.isEmpty());
    } else if (printed == "week") {
        QCOMPARE(out, weekFileBytes(workWeek()));
    } else if (printed == "file") {   // the halves the board holds, as a schedule file
        DayTable held;
        for (int i = 48; i < 96; ++i)
            held.set(i, 1);
        QCOMPARE(out, scheduleFileBytes(held));
    } else {
        QCOMPARE(out, printed);
    }
    ClockSource::set({});
}

void TstCtlCommand::flashTriesOnceMore_data()
{
    QTest::addColumn<int>("failures");
    QTest::newRow("lost once") << 1;
    QTest::newRow("lost twice") << 2;
}

// A bootloader that answered and then lost the thread gets one more run.
void TstCtlCommand::flashTriesOnceMore()
{
    QFETCH(int, failures);
    QTemporaryDir bin;
    QFile fake(bin.filePath("avrdude"));
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write(QStringLiteral("#!/bin/sh\necho \"$6 $8\" >> %1/runs\n[ $(wc -l < %1/runs) -gt %2 ] && exit 0\n"
                              "echo 'avrdude: device signature = 0x1e950f'\n"
                              "echo 'avrdude error: protocol expects sync byte 0x14 but got 0xe0'; exit 1\n")
                   .arg(bin.path()).arg(failures).toUtf8());
    fake.close();
    fake.setPermissions(fake.permissions() | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + qgetenv("PATH"));
    QByteArray out;
    Flasher flasher([&](const QByteArray &b) { out += b; });
    QSignalSpy written(&flasher, &Flasher::written), failed(&flasher, &Flasher::failed);
    flasher.start("/dev/null", "fw.hex", "atmegaboot");
    QTRY_COMPARE_WITH_TIMEOUT(written.size() + failed.size(), 1, 10000);
    QCOMPARE(written.size(), failures == 1 ? 1 : 0);
    QVERIFY2(out.contains("writing failed at 57600 baud (avrdude error: protocol expects sync byte 0x14 but got 0xe0); "
                          "trying once more\n"), out);
    QFile runs(bin.filePath("runs"));
    QVERIFY(runs.open(QIODevice::ReadOnly));
    QCOMPARE(runs.readAll(), QByteArray("/dev/null 57600\n/dev/null 57600\n"));
}

int main(int argc, char *argv[])
{
    useTemporaryRuntimeFolder();
    QCoreApplication app(argc, argv);
    TstCtlCommand test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ctl_command.moc"
