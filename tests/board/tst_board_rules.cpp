// SPDX-License-Identifier: GPL-3.0-or-later
// Port numbers, the port prompt's texts and the wire format.

#include "board/known_boards.h"
#include "board/port_failure.h"
#include "board/port_names.h"
#include "board/port_prompt.h"
#include "board/wire_format.h"
#include "schedule/day_table.h"
#include "test_board.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimeZone>
#include <QtTest>

Q_DECLARE_METATYPE(PortFailure)

class TstBoardRules : public QObject
{
    Q_OBJECT
private slots:
    void portDevices_data();
    void portDevices();
    void portList_data();
    void portList();
    void aliasComesFirst();
    void danglingAliasIsNotReplaced();
    void boardsRememberedByStableName();

    void failureText_data();
    void failureText();

    void promptTitle_data();
    void promptTitle();
    void portAnswer_data();
    void portAnswer();

    void dayLines_data();
    void dayLines();
    void timeMessage();
    void offsetAroundMidnight_data();
    void offsetAroundMidnight();

    void timeReply_data();
    void timeReply();
};

namespace {
// "location|description|manufacturer[|met]" per port; met: a board
// greeted on it before.
QList<PresentPort> ports(const QStringList &entries)
{
    QList<PresentPort> list;
    for (const QString &e : entries) {
        const QStringList f = e.split(u'|');
        list.append({f.value(0), f.value(1), f.value(2), f.value(3) == u"met"});
    }
    return list;
}

// "<number>=<device>" per alias; no device: the alias leads nowhere.
PortAliases aliases(const QStringList &entries)
{
    PortAliases map;
    for (const QString &e : entries) {
        const QString device = e.section(u'=', 1);
        map.insert(qint16(e.section(u'=', 0, 0).toInt()),
                   {device.isEmpty() ? QStringLiteral("/run/ports/") + e : device, !device.isEmpty()});
    }
    return map;
}
}

void TstBoardRules::portDevices_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("alias");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("device");
    const QStringList none;
    QTest::newRow("1") << 1 << QString() << none << "/dev/ttyS0";
    QTest::newRow("10") << 10 << QString() << none << "/dev/ttyS9";
    QTest::newRow("32") << 32 << QString() << none << "/dev/ttyS31";
    QTest::newRow("33") << 33 << QString() << none << "/dev/ttyUSB0";
    QTest::newRow("64") << 64 << QString() << none << "/dev/ttyUSB31";
    QTest::newRow("65") << 65 << QString() << none << "/dev/ttyACM0";
    QTest::newRow("96") << 96 << QString() << none << "/dev/ttyACM31";
    QTest::newRow("0") << 0 << QString() << none << QString();
    QTest::newRow("97") << 97 << QString() << none << QString();
    QTest::newRow("-1") << -1 << QString() << none << QString();
    QTest::newRow("32767") << 32767 << QString() << none << QString();

    // Port 10 finds a lone USB serial device a board greeted on before;
    // other ports keep their place.
    QTest::newRow("10, one ACM") << 10 << QString() << QStringList{"/dev/ttyACM0|||met"} << "/dev/ttyACM0";
    QTest::newRow("10, one ACM never met") << 10 << QString() << QStringList{"/dev/ttyACM0"} << "/dev/ttyS9";
    QTest::newRow("10, one USB beside ttyS0")
        << 10 << QString() << QStringList{"/dev/ttyS0", "/dev/ttyUSB2|||met"} << "/dev/ttyUSB2";
    QTest::newRow("10, two USB") << 10 << QString() << QStringList{"/dev/ttyACM0|||met", "/dev/ttyUSB0|||met"}
                                 << "/dev/ttyS9";
    QTest::newRow("10, alias wins") << 10 << "/dev/pts/7" << QStringList{"/dev/ttyACM0"} << "/dev/pts/7";
    QTest::newRow("11, one ACM") << 11 << QString() << QStringList{"/dev/ttyACM0|||met"} << "/dev/ttyS10";
}

void TstBoardRules::portDevices()
{
    QFETCH(int, port);
    QFETCH(QString, alias);
    QFETCH(QStringList, present);
    QFETCH(QString, device);
    const std::optional<PortAlias> a =
        alias.isEmpty() ? std::nullopt : std::optional(PortAlias{alias, true});
    QCOMPARE(portDevice(qint16(port), a, ports(present)), device);
}

void TstBoardRules::portList_data()
{
    QTest::addColumn<QStringList>("aliasEntries");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << QStringList{} << QStringList{} << "No serial port is present.";
    QTest::newRow("lone USB: 10 and its place")
        << QStringList{} << QStringList{"/dev/ttyS0||", "/dev/ttyACM0|Arduino Uno|Arduino SA|met"}
        << "Serial ports present:\n1  /dev/ttyS0\n10, 65  /dev/ttyACM0  Arduino Uno";
    QTest::newRow("lone USB never met: its place only")
        << QStringList{} << QStringList{"/dev/ttyACM0|Arduino Uno|"} << "Serial ports present:\n65  /dev/ttyACM0  Arduino Uno";
    QTest::newRow("two USB, maker when no description")
        << QStringList{} << QStringList{"/dev/ttyACM0|Arduino Uno|", "/dev/ttyUSB0||FTDI", "/dev/ttyAMA0||"}
        << "Serial ports present:\n33  /dev/ttyUSB0  FTDI\n65  /dev/ttyACM0  Arduino Uno\n-  /dev/ttyAMA0";
    // Aliases take numbers; one that leads nowhere is not listed but still
    // holds its number.
    QTest::newRow("aliases")
        << QStringList{"3=/dev/pts/4", "7=/dev/ttyACM0", "10=", "65=/dev/pts/4"}
        << QStringList{"/dev/ttyACM0|Arduino Uno|"}
        << "Serial ports present:\n3, 65  /dev/pts/4\n7  /dev/ttyACM0  Arduino Uno";
}

void TstBoardRules::portList()
{
    QFETCH(QStringList, aliasEntries);
    QFETCH(QStringList, present);
    QFETCH(QString, text);
    QCOMPARE(portListText(aliases(aliasEntries), ports(present)), text);
}

void TstBoardRules::aliasComesFirst()
{
    QTemporaryFile board;
    QVERIFY(board.open());
    QVERIFY(QDir().mkpath(portLinkFolder()));
    const QString alias = portLinkFolder() + QStringLiteral("/com33");
    QVERIFY(QFile::link(board.fileName(), alias));
    const QString device = portDeviceName(33);
    QFile::remove(alias);
    QCOMPARE(device, QFileInfo(board.fileName()).canonicalFilePath());
    QCOMPARE(portDeviceName(33), QStringLiteral("/dev/ttyUSB0"));
}

void TstBoardRules::danglingAliasIsNotReplaced()
{
    // A broken alias is the user's mistake to see, not a reason to open
    // some other device under the same number.
    QVERIFY(QDir().mkpath(portLinkFolder()));
    const QString alias = portLinkFolder() + QStringLiteral("/com5");
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/board"), alias));
    const QString device = portDeviceName(5);
    QFile::remove(alias);
    QCOMPARE(device, alias);
}

void TstBoardRules::boardsRememberedByStableName()
{
    QTemporaryDir dev;
    const QString byId = dev.filePath(QStringLiteral("by-id")), uno = dev.filePath(QStringLiteral("ttyACM3"));
    QVERIFY(QDir().mkpath(byId) && QFile(uno).open(QIODevice::WriteOnly) && QFile(dev.filePath("ttyUSB0")).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(uno, byId + QStringLiteral("/usb-Arduino_Uno_7533-if00")));
    QCOMPARE(stableDeviceName(uno, byId), byId + QStringLiteral("/usb-Arduino_Uno_7533-if00"));
    rememberBoard(dev.filePath("ttyUSB0"), byId);   // no stable name: not remembered
    QCOMPARE(knownBoards(), QStringList{});
    rememberBoard(uno, byId);
    rememberBoard(uno, byId);
    QCOMPARE(knownBoards(), QStringList{byId + QStringLiteral("/usb-Arduino_Uno_7533-if00")});
    QVERIFY(isBoardGreeting(DW_GREETING_NOT_SET "\r\n") && !isBoardGreeting("start\n"));
}

void TstBoardRules::failureText_data()
{
    using Cause = PortFailure::Cause;
    using std::chrono::milliseconds;
    QTest::addColumn<PortFailure>("failure");
    QTest::addColumn<QString>("text");
    QTest::newRow("no device") << PortFailure{Cause::NoDevice, 0, {}, {}, {}}
                               << "Port 0 names no device.";
    QTest::newRow("not found") << PortFailure{Cause::NotFound, 10, "/dev/ttyS9", "No such file", {}}
                               << "Port 10 (/dev/ttyS9): no such device.";
    QTest::newRow("busy") << PortFailure{Cause::Busy, 65, "/dev/ttyACM0", {}, {}}
                          << "Port 65 (/dev/ttyACM0) is busy: another program has it open.";
    QTest::newRow("permission denied")
        << PortFailure{Cause::PermissionDenied, 65, "/dev/ttyACM0", {}, {}}
        << "Port 65 (/dev/ttyACM0): permission denied.\nOn Debian and Ubuntu, join the dialout"
           " group, then log in again:\nsudo usermod -aG dialout $USER";
    QTest::newRow("no greeting, 10 s")
        << PortFailure{Cause::NoGreeting, 10, "/dev/ttyS9", {}, milliseconds(10000)}
        << "Port 10 (/dev/ttyS9) opened, but no greeting came within 10 s: the board may not hold "
           "Daywheel's firmware (daywheel-ctl flash writes it).";
    QTest::newRow("no greeting, 300 ms")
        << PortFailure{Cause::NoGreeting, 10, "/dev/ttyS9", {}, milliseconds(300)}
        << "Port 10 (/dev/ttyS9) opened, but no greeting came within 300 ms: the board may not hold "
           "Daywheel's firmware (daywheel-ctl flash writes it).";
    QTest::newRow("other") << PortFailure{Cause::Other, 10, "/dev/null", "Inappropriate ioctl for device", {}}
                           << "Port 10 (/dev/null) failed: Inappropriate ioctl for device.";
}

void TstBoardRules::failureText()
{
    QFETCH(PortFailure, failure);
    QFETCH(QString, text);
    QCOMPARE(portFailureText(failure), text);
}

void TstBoardRules::promptTitle_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("title");
    QTest::newRow("10") << 10 << "com port is 10";
    QTest::newRow("0") << 0 << "com port is 0";
    QTest::newRow("-1") << -1 << "com port is-1";
    QTest::newRow("-32768") << -32768 << "com port is-32768";
}

void TstBoardRules::promptTitle()
{
    QFETCH(int, port);
    QFETCH(QString, title);
    QCOMPARE(portPromptTitle(qint16(port)), title);
}

void TstBoardRules::portAnswer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("port");
    QTest::newRow("3") << "3" << true << 3;
    QTest::newRow("blanks around") << "  12 " << true << 12;
    QTest::newRow("tab and line feed around") << "\t12\n" << true << 12;
    QTest::newRow("negative") << "-1" << true << -1;
    QTest::newRow("plus") << "+7" << true << 7;
    QTest::newRow("fraction up") << "3.6" << true << 4;
    QTest::newRow("fraction down") << "3.4" << true << 3;
    QTest::newRow("leading point") << ".7" << true << 1;
    QTest::newRow("lowest") << "-32768" << true << -32768;
    QTest::newRow("highest") << "32767" << true << 32767;
    QTest::newRow("rounds past highest") << "32767.5" << false << 0;
    QTest::newRow("too large") << "70000" << false << 0;
    QTest::newRow("too small") << "-32769" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("digits then letters") << "3a" << false << 0;
    QTest::newRow("blank inside") << "1 0" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("only blanks") << "   " << false << 0;
    QTest::newRow("only a point") << "." << false << 0;
    QTest::newRow("no exponent") << "1e2" << false << 0;
}

void TstBoardRules::portAnswer()
{
    QFETCH(QString, answer);
    QFETCH(bool, accepted);
    QFETCH(int, port);
    const std::optional<qint16> result = parsePortAnswer(answer);
    QCOMPARE(result.has_value(), accepted);
    if (accepted)
        QCOMPARE(int(*result), port);
}

void TstBoardRules::dayLines_data()
{
    QTest::addColumn<QList<int>>("entries");   // slot, value, slot, value, ...
    QTest::addColumn<QByteArray>("lineA");
    QTest::addColumn<QByteArray>("lineB");

    const QByteArray zeros48(48, '0');
    QTest::newRow("empty day") << QList<int>{} << "a" + zeros48 + "\n" << "b" + zeros48 + "\n";
    QList<int> morning;
    for (int s = 25; s <= 32; ++s)
        morning << s << 1;
    QTest::newRow("06:00-08:00") << morning
                                 << "a" + QByteArray(25, '0') + QByteArray(8, '1')
                                        + QByteArray(15, '0') + "\n"
                                 << "b" + zeros48 + "\n";
    // Slot 0 leads line a, slot 95 ends line b; slot 96 is never sent.
    QTest::newRow("ends of the day") << QList<int>{0, 1, 47, 1, 48, 1, 95, 1, 96, 1}
                                     << "a1" + QByteArray(46, '0') + "1\n"
                                     << "b1" + QByteArray(46, '0') + "1\n";
    // Values a loaded file may hold go as the dial draws them: off.
    QTest::newRow("5 and -1 go as 0") << QList<int>{10, 5, 11, 1, 60, -1}
                                      << "a" + QByteArray(11, '0') + "1" + QByteArray(36, '0') + "\n"
                                      << "b" + zeros48 + "\n";
}

void TstBoardRules::dayLines()
{
    QFETCH(QList<int>, entries);
    QFETCH(QByteArray, lineA);
    QFETCH(QByteArray, lineB);

    DayTable day;
    for (qsizetype i = 0; i + 1 < entries.size(); i += 2)
        day.set(entries[i], qint16(entries[i + 1]));
    QCOMPARE(::dayLines(day), (QList<QByteArray>{lineA, lineB}));
}

void TstBoardRules::timeMessage()
{
    QCOMPARE(::timeMessage(QStringLiteral("14:05")), QByteArray("\x74\x31\x34\x3A\x30\x35\x0A"));
    QCOMPARE(queryMessage('z'), QByteArray("\x7A\x0A"));

    // To the ms: the local date and offset as the line feed arrives (27
    // bytes, 28 ms: past 02:00 CET, so 03:00 CEST), then the next six
    // offset changes as the board's clock reads them just before; a zone
    // without summer time needs none.
    QCOMPARE(preciseTimeLines(QDateTime(QDate(2027, 3, 28), QTime(1, 59, 59, 990), QTimeZone("Europe/Berlin"))),
             (QList<QByteArray>{"p10800.018 2027-03-28 +120\n", "o2027-10-31 03:00 +60\n", "o2028-03-26 02:00 +120\n",
                                "o2028-10-29 03:00 +60\n", "o2029-03-25 02:00 +120\n", "o2029-10-28 03:00 +60\n",
                                "o2030-03-31 02:00 +120\n"}));
    QCOMPARE(preciseTimeLines(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59, 999), QTimeZone("Asia/Kolkata"))),
             QList<QByteArray>{"p0.023 2026-12-09 +330\n"});
    // Zones that change at midnight: the change names the board's 00:00 of
    // the new date; a set that meets the change takes the new offset.
    QCOMPARE(preciseTimeLines(QDateTime(QDate(2027, 9, 4), QTime(12, 0), QTimeZone("America/Santiago"))).mid(0, 3),
             (QList<QByteArray>{"p43200.028 2027-09-04 -240\n", "o2027-09-05 00:00 -180\n", "o2028-04-02 00:00 -240\n"}));
    QCOMPARE(preciseTimeLines(QDateTime(QDate(2027, 3, 27), QTime(23, 59, 59, 990), QTimeZone("Asia/Beirut"))).mid(0, 2),
             (QList<QByteArray>{"p3600.017 2027-03-28 +180\n", "o2027-10-31 00:00 +120\n"}));
}

void TstBoardRules::offsetAroundMidnight_data()
{
    // The board's reading, when it arrived at the host, and the offset:
    // the nearer day counts, the answer's own time on the wire comes off.
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QTime>("arrived");
    QTest::addColumn<double>("offset");
    QTest::newRow("both before midnight") << QByteArray("86399.990 6 +0\r\n") << QTime(0, 0, 0, 10) << -0.003;
    QTest::newRow("board past, host before") << QByteArray("0.020 6 +0\r\n") << QTime(0, 0, 0, 10) << 0.023;
    QTest::newRow("board before, host past") << QByteArray("86399.500 0 +0\r\n") << QTime(0, 0, 0, 517) << -1.0;
}

void TstBoardRules::offsetAroundMidnight()
{
    QFETCH(QByteArray, answer);
    QFETCH(QTime, arrived);
    QFETCH(double, offset);
    const double got = preciseOffset(answer, arrived);
    QVERIFY2(std::abs(got - offset) < 1e-6, QByteArray::number(got, 'f', 6));
}

void TstBoardRules::timeReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("shown");
    QTest::newRow("43200 CR LF") << QByteArray("43200\r\n") << 43200.0 << "12:00";
    QTest::newRow("3725") << QByteArray("3725\r\n") << 3725.0 << "01:02";
    QTest::newRow("0") << QByteArray("0\r\n") << 0.0 << "00:00";
    QTest::newRow("86340") << QByteArray("86340\r\n") << 86340.0 << "23:59";
    QTest::newRow("3599 whole minutes") << QByteArray("3599\r\n") << 3599.0 << "00:59";
    QTest::newRow("3570 no rounding up") << QByteArray("3570\n") << 3570.0 << "00:59";
    QTest::newRow("no number") << QByteArray("time?\r\n") << 0.0 << "00:00";
    QTest::newRow("empty") << QByteArray("\n") << 0.0 << "00:00";
    // CR stops the number; a bare LF is skipped, so what follows it in the
    // same read continues the digits.
    QTest::newRow("CR stops") << QByteArray("36\r\n00") << 36.0 << "00:00";
    QTest::newRow("bare LF continues") << QByteArray("36\n00") << 3600.0 << "01:00";
    QTest::newRow("blanks and tabs inside") << QByteArray(" 4 3\t2 00 \n") << 43200.0 << "12:00";
    QTest::newRow("text after") << QByteArray("7260 s since midnight\r\n") << 7260.0 << "02:01";
    QTest::newRow("fraction") << QByteArray("59.9\n") << 59.9 << "00:01";
    QTest::newRow("exponent") << QByteArray("3.6e3\n") << 3600.0 << "01:00";
    QTest::newRow("exponent without digits") << QByteArray("120e\n") << 120.0 << "00:02";
    QTest::newRow("sign") << QByteArray("+60\n") << 60.0 << "00:01";
    // Hours and minutes come from one whole number of seconds.
    QTest::newRow("3599.5") << QByteArray("3599.5\n") << 3599.5 << "01:00";
    QTest::newRow("7199.5") << QByteArray("7199.5\n") << 7199.5 << "02:00";
    QTest::newRow("negative: sign in front") << QByteArray("-60\n") << -60.0 << "-00:01";
    QTest::newRow("negative hours") << QByteArray("-3660\n") << -3660.0 << "-01:01";
    QTest::newRow("rounds to 0") << QByteArray("-0.4\n") << -0.4 << "00:00";
    QTest::newRow("beyond one day") << QByteArray("90000\n") << 90000.0 << "25:00";
    QTest::newRow("beyond 32 bits") << QByteArray("2147483648\n") << 2147483648.0 << "00:00";
    QTest::newRow("largest 32-bit") << QByteArray("2147483647\n") << 2147483647.0 << "596523:14";
    QTest::newRow("beyond double") << QByteArray("1e400\n") << qInf() << "00:00";
    QTest::newRow("below double") << QByteArray("1e-400\n") << 0.0 << "00:00";
}

void TstBoardRules::timeReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(double, number);
    QFETCH(QString, shown);
    QCOMPARE(leadingNumber(reply), number);
    QCOMPARE(boardTimeText(reply), shown);
}

int main(int argc, char *argv[])
{
    useTemporaryRuntimeFolder();
    QCoreApplication app(argc, argv);
    TstBoardRules test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_board_rules.moc"
