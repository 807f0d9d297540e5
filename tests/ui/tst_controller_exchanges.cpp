// SPDX-License-Identifier: GPL-3.0-or-later
// The controller window's buttons and what the controller answers, against
// a test board on a pseudo-terminal.

#include "ui/controller_window.h"
#include "controller_window_fixture.h"
#include "schedule/clock_source.h"
#include "ui/workspace.h"
#include "board/test_board.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimeZone>
#include <QtTest>

using namespace std::chrono_literals;

class TstControllerExchanges : public ControllerWindowFixture
{
    Q_OBJECT
private slots:

    void sendTime_data();
    void sendTime();
    void sendProgram();
    void setsTimeTheBoardLost_data();
    void setsTimeTheBoardLost();
    void setsSummerTimeTheBoardLacks();
    void unaskedLinesShown();
    void statusThenPartA();
    void getTime_data();
    void getTime();
    void replyNeverComes();
    void lateReplyIsNotTheNextAnswer();
    void boardGoesAway_data();
    void boardGoesAway();
    void nextLineReplacesLog();
    void closeShowsMainWindowAndReleasesPort_data();
    void closeShowsMainWindowAndReleasesPort();
    void closeIsPromptAndFinal();
};

namespace {
const QString quietNotice = QStringLiteral("Waiting for the board to fall quiet before the next question.\r\n");
}

void TstControllerExchanges::sendTime_data()
{
    QTest::addColumn<bool>("behindQuestion");
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("line");
    const QByteArray plain = DW_GREETING "\r\n";
    QTest::newRow("at once") << false << plain << QByteArray("\x74\x31\x34\x3A\x30\x36\x0A");
    // Clicked at 14:05:59.5 behind a question that is given up a second
    // later: the minute it goes out at.
    QTest::newRow("behind a slow question") << true << plain << QByteArray("t14:06\n");
    // The time its line feed arrives, 25 bytes (26 ms) after 14:06:02, with
    // the date and UTC offset.
    QTest::newRow("to the ms") << false << QByteArray(DW_GREETING DW_GREETING_PRECISE "\r\n")
                               << QByteArray("p50762.026 2024-05-06 +0\n");
}

void TstControllerExchanges::sendTime()
{
    QFETCH(bool, behindQuestion);
    QFETCH(QByteArray, greeting);
    QFETCH(QByteArray, line);
    TestBoard board(10);
    board.greeting = greeting;
    // A board that knows the ms is asked its time at once: right, no set.
    board.answer = [](const QByteArray &q) { return q == "q\n" ? QByteArray("50730.000\r\n") : QByteArray(); };
    const qsizetype asked = (behindQuestion ? 2 : 1) + (line.startsWith('p') ? 1 : 0);
    ClockSource::set([] { return at(14, 5, 30); });
    workspace.waitBounds = {5s, 1s};
    QVERIFY(startedWindow() && waitIdle(window));
    // The clock's minute, even when the label has not caught up with it yet.
    QElapsedTimer since;
    since.start();
    ClockSource::set([&] { return behindQuestion ? at(14, 5, 59).addMSecs(500 + since.elapsed()) : at(14, 6, 2); });
    if (behindQuestion)
        QTest::mouseClick(window->findChild<QPushButton *>("statusButton"), Qt::LeftButton);
    QVERIFY(clickAndWait(window, "sendTimeButton"));
    QTRY_COMPARE(board.received.size(), asked);
    QCOMPARE(board.received.last(), line);
    QCOMPARE(window->findChild<QLabel *>("clockLabel")->text(), QStringLiteral("14:06"));
}

void TstControllerExchanges::setsTimeTheBoardLost_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<bool>("askStatus");
    QTest::newRow("greeting says so") << QByteArray(DW_GREETING_NOT_SET "\r\n") << false;
    QTest::newRow("status says so") << QByteArray(DW_GREETING "\r\n") << true;
}

void TstControllerExchanges::setsTimeTheBoardLost()
{
    // Half a second before a new minute: the time goes out when it begins.
    QFETCH(QByteArray, greeting);
    QFETCH(bool, askStatus);
    TestBoard board(10);
    board.greeting = greeting;
    board.answer = [](const QByteArray &line) {
        return line == "s\n" ? QByteArray("time 00:00:12 (not set) light on pattern stored\r\n") : QByteArray();
    };
    QElapsedTimer since;
    since.start();
    ClockSource::set([&since] { return at(14, 5, 59).addMSecs(500 + since.elapsed()); });
    QVERIFY(startedWindow());
    if (askStatus)
        QVERIFY(clickAndWait(window, "statusButton"));
    QTRY_VERIFY(board.received.contains("t14:06\n"));
    QCOMPARE(board.received.count("t14:06\n"), 1);
    QVERIFY(window->replyLog().endsWith("The board said its time was not set: sent the time, 14:06.\r\n"));
}

// A board that is right to the ms but holds no coming offset change, in a
// zone that changes within a year: set once at open, in the background.
void TstControllerExchanges::setsSummerTimeTheBoardLacks()
{
    TestBoard board(10);
    board.greeting = DW_GREETING DW_GREETING_PRECISE "\r\n";
    board.answer = [](const QByteArray &q) { return q == "q\n" ? QByteArray("50730.000 0 +0\r\n") : QByteArray(); };
    ClockSource::set([] { return QDateTime(QDate(2026, 12, 8), QTime(14, 5, 30), QTimeZone("Europe/Berlin")); });
    QVERIFY(startedWindow());
    QTRY_COMPARE(board.received.size(), 8);   // q, then p and six changes
    QCOMPARE(board.received[1].left(22), QByteArray("p50730.027 2026-12-08 "));
    QCOMPARE(board.received[2], QByteArray("o2027-03-28 02:00 +120\n"));
    QTRY_VERIFY2(window->replyLog().endsWith("The board's clock was 0.017 s off and knew no coming change of summer time: set it.\r\n"), qPrintable(window->replyLog()));
}

void TstControllerExchanges::sendProgram()
{
    TestBoard board(10);
    DayTable day;
    for (int s = 25; s <= 32; ++s)
        day.set(s, 1);
    day.set(0, 5);     // values a loaded file may hold
    day.set(95, -1);
    workspace.week.setEveryDay(day);
    QVERIFY(startedWindow());
    QVERIFY(clickAndWait(window, "sendProgramButton"));
    // as the dial draws them: the board refuses a line of other digits whole
    const QByteArray lineA = "a0" + QByteArray(24, '0') + QByteArray(8, '1') + QByteArray(15, '0') + "\n";
    const QByteArray lineB = "b" + QByteArray(48, '0') + "\n";
    QTRY_COMPARE(board.received, (QList<QByteArray>{lineA, lineB}));
    QVERIFY2(window->replyLog().endsWith("Sent the day; 2 quarter hours held a value other than 0 or 1 and went as "
                                         "off, as the dial shows them.\r\n"), qPrintable(window->replyLog()));
    QCOMPARE(workspace.week.day(7).at(95), -1);
    QCOMPARE(window->findChild<QLineEdit *>("partALine")->text(), QString::fromLatin1(lineA));
    QCOMPARE(window->findChild<QLineEdit *>("partBLine")->text(), QString::fromLatin1(lineB));
}

// What the board says unasked is shown as it comes, and its restarts: a
// refused store, a reset, a power cut that lost the time.
void TstControllerExchanges::unaskedLinesShown()
{
    TestBoard board(10);
    board.answer = [](const QByteArray &line) {
        return line == "s\n" ? QByteArray("status ok\r\n") : QByteArray("error: bad digit\r\n");
    };
    ClockSource::set([] { return at(14, 5, 27); });
    QVERIFY(startedWindow());
    QVERIFY(clickAndWait(window, "sendTimeButton"));
    QString log = QString::fromLatin1(board.greeting) + "Sent the time, 14:05.\r\nerror: bad digit\r\n"
        "The board refused a line it was sent (its words above) and keeps what it held before.\r\n";
    QTRY_COMPARE(window->replyLog(), log);
    QVERIFY(clickAndWait(window, "statusButton"));
    QCOMPARE(window->replyLog(), log += "status ok\r\n");
    board.send(DW_GREETING "\r\n");
    log += "The board started again: " DW_GREETING "\r\n";
    QTRY_COMPARE(window->replyLog(), log);
    board.send(DW_GREETING_NOT_SET DW_GREETING_PRECISE "\r\n");
    QTRY_VERIFY(board.received.size() >= 3);   // set to the ms at once
    QVERIFY2(board.received[2].startsWith("p50727.0"), board.received[2]);
}

void TstControllerExchanges::statusThenPartA()
{
    TestBoard board(10);
    const QByteArray partA = QByteArray(25, '0') + QByteArray(8, '1') + QByteArray(15, '0') + "\r\n";
    board.answer = [&](const QByteArray &line) {
        if (line == "s\n")
            return QByteArray("OK 12:00\r\n");
        if (line == "f\n")
            return partA;
        return QByteArray();
    };
    QVERIFY(startedWindow());
    QVERIFY(clickAndWait(window, "statusButton"));
    QVERIFY(clickAndWait(window, "getPartAButton"));
    QCOMPARE(board.received, (QList<QByteArray>{"s\n", "f\n"}));
    QCOMPARE(window->replyLog(),
             QString::fromLatin1(board.greeting + "OK 12:00\r\n" + partA));
}

void TstControllerExchanges::getTime_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("shown");
    QTest::newRow("43200") << QByteArray("43200\r\n") << "12:00";
    QTest::newRow("3725") << QByteArray("3725\r\n") << "01:02";
    QTest::newRow("0") << QByteArray("0\r\n") << "00:00";
    QTest::newRow("86340") << QByteArray("86340\r\n") << "23:59";
    QTest::newRow("3599") << QByteArray("3599\r\n") << "00:59";
    QTest::newRow("no number") << QByteArray("clock not set\r\n") << "00:00";
    QTest::newRow("bare line feed") << QByteArray("7200\n") << "02:00";
    QTest::newRow("CR LF then more") << QByteArray("36\r\n00") << "00:00";
    QTest::newRow("bare LF then more") << QByteArray("36\n00") << "01:00";
    QTest::newRow("beyond 32 bits") << QByteArray("9999999999\r\n") << "00:00";
}

void TstControllerExchanges::getTime()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, shown);
    TestBoard board(10);
    board.answer = [&](const QByteArray &line) { return line == "z\n" ? reply : QByteArray(); };
    QVERIFY(startedWindow());
    QVERIFY(clickAndWait(window, "getTimeButton"));
    QCOMPARE(board.received, QList<QByteArray>{"z\n"});
    QCOMPARE(window->replyLog(), QString::fromLatin1(board.greeting) + shown + QStringLiteral("\r\n"));
}

void TstControllerExchanges::replyNeverComes()
{
    TestBoard board(10);
    board.answer = [](const QByteArray &line) {
        return line == "e\n" ? QByteArray("0000") : QByteArray("fine\n");
    };
    workspace.waitBounds = {5s, 1200ms};
    QVERIFY(startedWindow());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(clickAndWait(window, "getPartBButton"));
    QVERIFY(clock.elapsed() >= 1190);
    const QString greeting = QString::fromLatin1(board.greeting);
    QCOMPARE(window->replyLog(), greeting + "0000\r\nThe board did not answer.\r\n");
    // The window carries on.
    QVERIFY(clickAndWait(window, "statusButton"));
    QCOMPARE(window->replyLog(), greeting + "0000\r\nThe board did not answer.\r\n" + quietNotice + "fine\n");
}

void TstControllerExchanges::lateReplyIsNotTheNextAnswer()
{
    // The time comes a second after Get Time gave up; the status never comes.
    TestBoard board(10);
    board.answer = [&](const QByteArray &line) {
        if (line == "z\n")
            QTimer::singleShot(2200ms, &board, [&] { board.send("43200\r\n"); });
        return QByteArray();
    };
    workspace.waitBounds = {5s, 1200ms};
    QVERIFY(startedWindow());
    QVERIFY(clickAndWait(window, "getTimeButton"));
    const QString gaveUp = QString::fromLatin1(board.greeting) + "The board did not answer.\r\n";
    QCOMPARE(window->replyLog(), gaveUp);
    QVERIFY(clickAndWait(window, "statusButton"));
    QCOMPARE(window->replyLog(), gaveUp + quietNotice + "43200\r\nThe board did not answer.\r\n");
    QCOMPARE(board.received, (QList<QByteArray>{"z\n", "s\n"}));
}

void TstControllerExchanges::boardGoesAway_data()
{
    QTest::addColumn<bool>("duringQuery");
    QTest::newRow("while idle") << false;
    QTest::newRow("while a query waits") << true;
}

void TstControllerExchanges::boardGoesAway()
{
    QFETCH(bool, duringQuery);
    QWidget mainWindow;
    TestBoard board(10);
    if (duringQuery) {
        board.answer = [&](const QByteArray &) {
            QTimer::singleShot(0, &board, &TestBoard::goAway);
            return QByteArray();
        };
    }
    QVERIFY(startedWindow(&mainWindow));
    const QString greeting = QString::fromLatin1(board.greeting);
    if (duringQuery) {
        QVERIFY(clickAndWait(window, "statusButton"));
        QVERIFY(window->replyLog().startsWith(greeting + "Could not read from the board: "));
    } else {
        board.goAway();
        QTRY_VERIFY(window->replyLog() != greeting);
        QVERIFY(window->replyLog().startsWith(greeting + "The serial link failed: "));
    }
    // One report of the failure, not one per failed read.
    QTRY_VERIFY(!window->findChild<QSerialPort *>()->isOpen());
    QCOMPARE(window->replyLog().count(u'\n'), greeting.count(u'\n') + 1);

    // The window stays usable and says why nothing happens.
    QVERIFY(clickAndWait(window, "sendTimeButton"));
    QVERIFY(window->replyLog().section(u'\n', -2).startsWith("Could not send to the board: "));
    QVERIFY(clickAndWait(window, "getTimeButton"));
    QVERIFY(window->replyLog().section(u'\n', -2).startsWith("Could not read from the board: "));
    QVERIFY(window->isVisible());

    // Closing it and starting again connects afresh.
    window->close();
    QTRY_VERIFY(!window);
    TestBoard again(10);
    again.greeting = "back again\n";
    QVERIFY(startedWindow(&mainWindow));
    QCOMPARE(window->replyLog(), QStringLiteral("back again\n"));
}

void TstControllerExchanges::nextLineReplacesLog()
{
    TestBoard board(10);
    QVERIFY(startedWindow());
    QTimer::singleShot(0, &board, [&] { board.send("late li"); });
    connect(window->findChild<QSerialPort *>(), &QSerialPort::readyRead, &board,
            [&] { board.send("ne\r\nand more"); }, Qt::SingleShotConnection);
    window->showNextLine();
    QVERIFY(waitIdle(window));
    QCOMPARE(window->replyLog(), QStringLiteral("late line\r\nand more"));
}

void TstControllerExchanges::closeShowsMainWindowAndReleasesPort_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("close box") << false;
    QTest::newRow("Escape") << true;
}

void TstControllerExchanges::closeShowsMainWindowAndReleasesPort()
{
    QFETCH(bool, escape);
    QWidget mainWindow;
    mainWindow.show();
    TestBoard board(10);
    QVERIFY(startedWindow(&mainWindow));
    mainWindow.hide();
    QVERIFY(!portIsFree(board.deviceName()));
    if (escape) {
        QApplication::setActiveWindow(window);   // the offscreen platform forgets it when the main window hides
        QTest::keyClick(window, Qt::Key_Escape);
    } else {
        window->close();
    }
    QVERIFY(mainWindow.isVisible());
    QVERIFY(!window->isVisible());
    QTRY_VERIFY(!window);   // destroyed, and its port with it
    QVERIFY(portIsFree(board.deviceName()));
}

void TstControllerExchanges::closeIsPromptAndFinal()
{
    // 20 quick clicks on a board that does not answer: one runs, 16 wait,
    // the rest are refused with one notice, and a refused Send Program fills
    // nothing in. Closed then: gone at once, nothing more on the wire.
    QWidget mainWindow;
    TestBoard board(10);
    QVERIFY(startedWindow(&mainWindow));
    for (int i = 0; i < 20; ++i)
        QTest::mouseClick(window->findChild<QPushButton *>("statusButton"), Qt::LeftButton);
    QTest::mouseClick(window->findChild<QPushButton *>("sendProgramButton"), Qt::LeftButton);
    QCOMPARE(window->replyLog().count(QStringLiteral("requests already wait for the board")), 1);
    QVERIFY(window->findChild<QLineEdit *>("partALine")->text().isEmpty());
    QTRY_COMPARE(board.received, QList<QByteArray>{"s\n"});
    window->close();
    QVERIFY(!window || !window->isVisible());
    QVERIFY(mainWindow.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!window, 1000);
    QVERIFY(portIsFree(board.deviceName()));
    QCOMPARE(board.received, QList<QByteArray>{"s\n"});
}

int main(int argc, char *argv[])
{
    useTemporaryRuntimeFolder();
    QApplication app(argc, argv);
    TstControllerExchanges test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_controller_exchanges.moc"
