// SPDX-License-Identifier: GPL-3.0-or-later
// The road of one day, from the dial to the board and back: the real
// main and controller windows talk to the real firmware on the virtual board,
// found as port 10 through the port link folder with no prompt.
#include "ui/main_window.h"
#include "ui/workspace.h"
#include "ui/navigator.h"
#include "ui/controller_window.h"
#include "schedule/clock_source.h"
#include "protocol/daywheel_protocol.h"

#include "board_session.h"
#include "ui/controller_window_driver.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {
// What the windows under test share, as the application would hand it to them.
Workspace workspace;

const QByteArray lineA = "a" + QByteArray(25, '0') + QByteArray(8, '1') + QByteArray(15, '0');
const QByteArray lineB = "b" + QByteArray(48, '0');
}

class TstRoadToBoard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void roadOfOneSchedule();
    void roadOfAWeek();

private:
    void click(QWidget *window, const char *name)
    {
        auto *button = window->findChild<QPushButton *>(QString::fromLatin1(name));
        QVERIFY2(button, name);
        QTest::mouseClick(button, Qt::LeftButton);
        // The controller window answers a click asynchronously.
        if (auto *controller = qobject_cast<ControllerWindow *>(window))
            QVERIFY(waitIdle(controller));
    }
    QByteArray control(const QByteArray &command)
    {
        QByteArray answer;
        if (!board.control(command, &answer))
            return "control failed: " + board.error.toUtf8();
        return answer;
    }
    // The light follows the clock within a millisecond of the board's time;
    // ask until it shows the expected state or the deadline passes.
    bool lightBecomes(const QByteArray &expected)
    {
        QDeadlineTimer deadline(boardtest::kWaitMs);
        while (!deadline.hasExpired()) {
            if (control("light?") == expected)
                return true;
        }
        return false;
    }
    // What the controller window added to its log since the given length.
    QString logSince(ControllerWindow *form3, qsizetype from) { return form3->replyLog().mid(from); }

    boardtest::BoardSession board;
};

void TstRoadToBoard::initTestCase()
{
    const QString missing = boardtest::missingTools();
    QVERIFY2(missing.isEmpty(), qPrintable(missing + " (scripts/setup installs gcc-avr and simavr)"));
    // Daywheel looks for port links in the runtime folder: point it at the board's.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(board.dir.path()));
    QVERIFY2(board.start({}, false), qPrintable(board.error));
    QVERIFY(QFileInfo(board.defaultLink()).isSymLink());
    ClockSource::set([] { return QDateTime(QDate(2026, 12, 7), QTime(6, 30, 10)); });
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TstRoadToBoard::cleanupTestCase()
{
    ClockSource::set({});
    board.stop();
}

void TstRoadToBoard::roadOfOneSchedule()
{
    workspace.week = Week();
    MainWindow form1(workspace);
    Navigator navigator(workspace, form1);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));

    // Paint 06:00-08:00 with SET, then Send: the board on port 10 greets.
    click(&form1, "setButton");
    click(&form1, "sendButton");
    QTRY_VERIFY_WITH_TIMEOUT(navigator.controllerWindow(), 15000);
    auto *form3 = qobject_cast<ControllerWindow *>(navigator.controllerWindow());
    QVERIFY2(form3, "the controller window did not open on port 10");
    QVERIFY(form3->isVisible());
    QVERIFY(!form1.isVisible());
    // A board that has just started has no time yet: it knows the ms, so
    // it is set at once.
    QTRY_COMPARE(form3->replyLog(), QStringLiteral(DW_GREETING_NOT_SET DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE "\r\n"
                                                   "The board said its time was not set: sent the time, 06:30.\r\n"));
    QCOMPARE(form3->findChild<QLabel *>(QStringLiteral("clockLabel"))->text(), QStringLiteral("06:30"));

    click(form3, "sendTimeButton");   // Send Time
    click(form3, "sendProgramButton");   // Send Program

    qsizetype mark = form3->replyLog().size();
    click(form3, "getPartAButton");   // Get part a
    QCOMPARE(logSince(form3, mark), QString::fromLatin1(lineA + "\r\n"));
    mark = form3->replyLog().size();
    click(form3, "getPartBButton");   // Get part b
    QCOMPARE(logSince(form3, mark), QString::fromLatin1(lineB + "\r\n"));

    mark = form3->replyLog().size();
    click(form3, "getTimeButton");   // Get Time
    QCOMPARE(logSince(form3, mark), QStringLiteral("06:30\r\n"));

    mark = form3->replyLog().size();
    click(form3, "statusButton");   // Status?
    const QString status = logSince(form3, mark);
    QVERIFY2(status.startsWith(QStringLiteral("time 06:30:")), qPrintable(status));
    QVERIFY2(status.contains(QStringLiteral("light on")), qPrintable(status));
    QVERIFY2(status.contains(QStringLiteral("pattern stored")), qPrintable(status));
    QVERIFY(status.endsWith(QStringLiteral("\r\n")));

    // The light follows the day: on from 06:00 to 08:00, off outside.
    QVERIFY(lightBecomes("light 1"));
    const QList<std::pair<int, QByteArray>> times{
        {5 * 3600 + 59 * 60 + 59, "light 0"}, {6 * 3600, "light 1"},
        {7 * 3600 + 59 * 60 + 59, "light 1"}, {8 * 3600, "light 0"},
        {21 * 3600, "light 0"}, {7 * 3600, "light 1"}};
    for (const auto &[seconds, expected] : times) {
        QCOMPARE(control("settime " + QByteArray::number(seconds)), QByteArray("ok"));
        QVERIFY2(lightBecomes(expected), qPrintable(QStringLiteral("at %1 s").arg(seconds)));
    }

    // A power cut: the board restarts with its clock lost but the day kept.
    // Nobody asks: the window shows the restart and sets its time again,
    // to the ms, at once.
    QCOMPARE(control("powercut"), QByteArray("ok"));
    QElapsedTimer since;
    since.start();
    ClockSource::set([&since] { return QDateTime(QDate(2026, 12, 7), QTime(6, 44, 30)).addMSecs(since.elapsed()); });
    QTRY_VERIFY(form3->replyLog().endsWith("The board started again: " DW_GREETING_NOT_SET DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE "\r\n"
                                           "The board said its time was not set: sent the time, 06:44.\r\n"));
    const auto offBy = [&] {
        const double host = ClockSource::now().time().msecsSinceStartOfDay() / 1000.0;
        return std::abs(control("time?").split(' ').value(1).toDouble() - host);
    };
    QTRY_VERIFY2(offBy() <= 0.1, control("time?"));
    QVERIFY(lightBecomes("light 1"));   // 06:45 lies in 06:00-08:00
    ClockSource::set([] { return QDateTime(QDate(2026, 12, 7), QTime(6, 30, 10)); });
    mark = form3->replyLog().size();
    click(form3, "getPartAButton");
    QCOMPARE(logSince(form3, mark), QString::fromLatin1(lineA + "\r\n"));
    QCOMPARE(control("settime " + QByteArray::number(6 * 3600 + 15 * 60)), QByteArray("ok"));
    QVERIFY(lightBecomes("light 1"));

    // Closing the controller window brings the main window back.
    form3->close();
    QTRY_VERIFY(form1.isVisible());
    QTRY_VERIFY(!navigator.controllerWindow());
}

// A week painted on the rings: Mo-Fr 06:00-08:00, Sa-Su 09:00-11:00, and
// Sunday's last quarter hour. The light follows it on a Monday and a
// Saturday, and at midnight Sunday hands over to Monday's first quarter hour.
void TstRoadToBoard::roadOfAWeek()
{
    workspace.week = Week();
    MainWindow form1(workspace);
    Navigator navigator(workspace, form1);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    const auto range = [&](int from, int to) {
        form1.findChild<QScrollBar *>(QStringLiteral("startScroll"))->setValue(from);
        form1.findChild<QScrollBar *>(QStringLiteral("endScroll"))->setValue(to);
        click(&form1, "setButton");
    };
    click(&form1, "workdaysButton");
    range(24, 32);
    click(&form1, "weekendButton");
    range(36, 44);
    QTest::mouseClick(form1.findChild<QAbstractButton *>(QStringLiteral("dayRing7")), Qt::LeftButton);
    range(95, 0);
    click(&form1, "sendButton");
    QTRY_VERIFY_WITH_TIMEOUT(navigator.controllerWindow(), 15000);
    auto *form3 = qobject_cast<ControllerWindow *>(navigator.controllerWindow());
    QVERIFY(form3);
    QVERIFY(waitIdle(form3));
    click(form3, "sendProgramButton");
    QVERIFY2(form3->replyLog().endsWith("Sent the week.\r\n"), qPrintable(form3->replyLog()));

    const QList<std::tuple<QDate, QTime, QByteArray>> moments{
        {QDate(2026, 12, 7), QTime(7, 0), "light 1"},    // a Monday
        {QDate(2026, 12, 12), QTime(7, 0), "light 0"},   // a Saturday
        {QDate(2026, 12, 12), QTime(10, 0), "light 1"},
        {QDate(2026, 12, 13), QTime(23, 59, 55), "light 1"}};   // Sunday, just before midnight
    for (const auto &[date, time, expected] : moments) {
        const QDateTime at(date, time);
        ClockSource::set([at] { return at; });
        click(form3, "sendTimeButton");
        QVERIFY2(lightBecomes(expected), qPrintable(date.toString() + time.toString()));
    }
    QVERIFY(lightBecomes("light 0"));   // Monday, 00:00-00:15
    QVERIFY2(control("time?").split(' ').value(1).toDouble() < 60, control("time?"));   // not before midnight
    ClockSource::set([] { return QDateTime(QDate(2026, 12, 7), QTime(6, 30, 10)); });
    form3->close();
}

QTEST_MAIN(TstRoadToBoard)
#include "tst_road_to_board.moc"
