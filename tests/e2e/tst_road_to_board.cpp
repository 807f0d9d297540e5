// SPDX-License-Identifier: GPL-3.0-or-later
// The road of one day, from the dial to the board and back: the real
// main and controller windows talk to the real firmware on the virtual board,
// found as port 10 through the port link folder with no prompt.
#include "ui/main_window.h"
#include "ui/workspace.h"
#include "ui/navigator.h"
#include "ui/controller_window.h"
#include "schedule/clock_source.h"
#include "schedule/day_plan.h"
#include "protocol/daywheel_protocol.h"

#include "board_session.h"
#include "ui/controller_window_driver.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <ctime>

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
    void roadOfTheDark();
    void roadOfAway();

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
    // The main window's Send opens the controller window on the workspace's week.
    ControllerWindow *openController(MainWindow &form1, Navigator &navigator)
    {
        form1.show();
        if (!QTest::qWaitForWindowExposed(&form1))
            return nullptr;
        click(&form1, "sendButton");
        if (!QTest::qWaitFor([&] { return navigator.controllerWindow() != nullptr; }, 15000))
            return nullptr;
        auto *form3 = qobject_cast<ControllerWindow *>(navigator.controllerWindow());
        return form3 && waitIdle(form3) ? form3 : nullptr;
    }
    bool setClock(ControllerWindow *form3, const QDateTime &at)
    {
        ClockSource::set([at] { return at; });
        click(form3, "sendTimeButton");
        return waitIdle(form3);
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
    // The dark and away are read in Berlin, whose place the board gets from the time zone.
    qputenv("TZ", "Europe/Berlin");
    tzset();
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
                                                   "The board said its time was not set: sent the time, 06:30.\r\n"
                                                   "The board held no place: gave it 52.50 13.37.\r\n"));
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

// A shop window's evening: on 15:00-23:00 only while it is dark, at the
// time zone's place, which the board got with its first time.
void TstRoadToBoard::roadOfTheDark()
{
    DayTable evening;
    for (int i = 61; i <= 92; ++i)   // slot k ends at k quarter hours
        evening.set(i, 1);
    workspace.week = Week();
    workspace.week.setEveryDay(evening);
    workspace.week.settings.dark.fill(DarkSetting{});
    MainWindow form1(workspace);
    Navigator navigator(workspace, form1);
    ControllerWindow *form3 = openController(form1, navigator);
    QVERIFY(form3);
    click(form3, "sendProgramButton");
    QVERIFY2(form3->replyLog().endsWith("Sent the day.\r\n"), qPrintable(form3->replyLog()));
    // Sunset in Berlin: 15:53 on 2026-12-09, 21:33 on 2027-06-21 (summer time).
    for (const auto &[at, expected] : QList<std::pair<QDateTime, QByteArray>>{
             {{QDate(2026, 12, 9), QTime(15, 40)}, "light 0"}, {{QDate(2026, 12, 9), QTime(16, 5)}, "light 1"},
             {{QDate(2027, 6, 21), QTime(21, 15)}, "light 0"}, {{QDate(2027, 6, 21), QTime(21, 50)}, "light 1"}}) {
        QVERIFY(setClock(form3, at));
        QVERIFY2(lightBecomes(expected), qPrintable(at.toString()));
    }
    click(form3, "statusButton");
    QVERIFY2(!form3->replyLog().contains("dark ignored"), qPrintable(form3->replyLog()));
    form3->close();
}

// Away: each evening's light comes on at its own moment, the one the window
// works out, and a reset mid-evening finds it again.
void TstRoadToBoard::roadOfAway()
{
    DayTable evening;
    for (int i = 73; i <= 92; ++i)
        evening.set(i, 1);
    workspace.week = Week();
    workspace.week.setEveryDay(evening);
    workspace.week.settings.away = AwaySetting{30, {}, {}};
    MainWindow form1(workspace);
    Navigator navigator(workspace, form1);
    ControllerWindow *form3 = openController(form1, navigator);
    QVERIFY(form3);
    click(form3, "sendProgramButton");
    QMap<int, QDate> onAt;   // the switch-on second of each day
    for (QDate date(2026, 12, 14); date < QDate(2026, 12, 21); date = date.addDays(1)) {
        const QDateTime noon(date, QTime(12, 0));
        const int on = planOfDay(workspace.week, date, noon.offsetFromUtc() / 60).on.value(0).from;
        QVERIFY2(std::abs(on - 18 * 3600) <= 30 * 60, qPrintable(QString::number(on)));
        onAt[on] = date;
        for (const auto &[at, expected] : {std::pair{on + 2, "light 1"}, std::pair{on - 2, "light 0"}}) {
            QVERIFY(setClock(form3, QDateTime(date, QTime(0, 0).addSecs(at))));
            QVERIFY2(lightBecomes(expected), qPrintable(date.toString() + ' ' + QString::number(at)));
        }
    }
    QCOMPARE(onAt.size(), 7);
    // The earliest evening, after its edge but before the program's 18:00.
    QVERIFY(onAt.firstKey() < 18 * 3600 - 60);
    QVERIFY(setClock(form3, QDateTime(onAt.first(), QTime(17, 59, 30))));
    QVERIFY(lightBecomes("light 1"));
    const qsizetype mark = form3->replyLog().size();
    QCOMPARE(control("reset"), QByteArray("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(logSince(form3, mark).contains("The board started again"), 10000);
    QVERIFY(lightBecomes("light 1"));
    workspace.week = Week();
    click(form3, "sendProgramButton");
    form3->close();
}

QTEST_MAIN(TstRoadToBoard)
#include "tst_road_to_board.moc"
