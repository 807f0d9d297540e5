// SPDX-License-Identifier: GPL-3.0-or-later
// The controller window against a test controller on a pseudo-terminal.

#include "ui/workspace.h"
#include "ui/controller_window.h"
#include "schedule/clock_source.h"
#include "schedule/day_table.h"
#include "controller_window_fixture.h"
#include "board/test_board.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QtTest>

using namespace std::chrono_literals;

class TstControllerWindow : public ControllerWindowFixture
{
    Q_OBJECT
private slots:

    void layout_data();
    void layout();
    void tabOrderAndFocus();
    void clockLabel_data();
    void clockLabel();
    void clockLabelFollowsTimer();

    void greeting_data();
    void greeting();
    void missingPortThenAnswer3();
    void badAnswerAsksAgain();
    void cancelGivesUp();
    void greetingNeverComes();

};

void TstControllerWindow::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("clockLabel") << "clockLabel" << "09:00" << QRect(24, 8, 49, 17);
    QTest::newRow("sendTimeButton") << "sendTimeButton" << "Send Time" << QRect(16, 32, 57, 33);
    QTest::newRow("sendProgramButton") << "sendProgramButton" << "Send Program" << QRect(88, 32, 73, 33);
    QTest::newRow("getPartAButton") << "getPartAButton" << "Get part a" << QRect(176, 32, 65, 33);
    QTest::newRow("getTimeButton") << "getTimeButton" << "Get Time" << QRect(16, 80, 57, 33);
    QTest::newRow("statusButton") << "statusButton" << "Status?" << QRect(96, 80, 65, 33);
    QTest::newRow("getPartBButton") << "getPartBButton" << "Get part b" << QRect(176, 80, 65, 33);
    QTest::newRow("partALabel") << "partALabel" << "Light pattern, part a" << QRect(104, 184, 137, 17);
    QTest::newRow("partALine") << "partALine" << "" << QRect(16, 216, 329, 33);
    QTest::newRow("partBLine") << "partBLine" << "" << QRect(16, 248, 329, 33);
    QTest::newRow("partBLabel") << "partBLabel" << "Light pattern, part b" << QRect(104, 288, 121, 25);
    QTest::newRow("logView") << "logView" << "" << QRect(384, 24, 225, 305);
    QTest::newRow("logLabel") << "logLabel" << "Incoming code from arduino" << QRect(448, 344, 169, 25);
}

void TstControllerWindow::layout()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, pixels);
    ControllerWindow w(workspace);
    QCOMPARE(w.windowTitle(), QStringLiteral("Send/Recieve Wifi/Serial Com"));
    QCOMPARE(w.size(), QSize(643, 365));
    QWidget *control = w.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), pixels);
    QString shown;
    if (auto *l = qobject_cast<QLabel *>(control))
        shown = l->text();
    else if (auto *b = qobject_cast<QPushButton *>(control))
        shown = b->text();
    else if (auto *e = qobject_cast<QLineEdit *>(control))
        shown = e->text();
    else if (auto *t = qobject_cast<QPlainTextEdit *>(control))
        shown = t->toPlainText();
    QCOMPARE(shown, text);
}

void TstControllerWindow::tabOrderAndFocus()
{
    TestBoard board(10);
    QVERIFY(startedWindow());
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(QApplication::focusWidget(), window->findChild<QWidget *>("sendTimeButton"));

    QStringList order;
    QWidget *w = window->findChild<QWidget *>("sendTimeButton");
    do {
        order << w->objectName();
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty())
            w = w->nextInFocusChain();
    } while (w->objectName() != QLatin1String("sendTimeButton"));
    QCOMPARE(order, (QStringList{"sendTimeButton", "sendProgramButton", "getTimeButton", "getPartBButton", "partBLine", "logView",
                                 "partALine", "statusButton", "getPartAButton"}));
    for (const char *b : {"sendTimeButton", "sendProgramButton", "getTimeButton", "getPartBButton", "statusButton", "getPartAButton"})
        QVERIFY(!window->findChild<QPushButton *>(b)->isDefault());
}

void TstControllerWindow::clockLabel_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("shown");
    QTest::newRow("09:05:59") << at(9, 5, 59) << "09:05";
    QTest::newRow("23:59:30") << at(23, 59, 30) << "23:59";
    QTest::newRow("just after midnight") << at(0, 0, 1) << "00:00";
    QTest::newRow("14:30") << at(14, 30, 0) << "14:30";
}

void TstControllerWindow::clockLabel()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, shown);
    TestBoard board(10);
    ClockSource::set([now] { return now; });
    // The label is set while starting, before the window is ever shown.
    QString labelAtGreeting;
    connect(&board, &TestBoard::opened, this, [&] {
        labelAtGreeting = window->findChild<QLabel *>("clockLabel")->text();
    });
    QVERIFY(startedWindow());
    QCOMPARE(labelAtGreeting, shown);
    QCOMPARE(window->findChild<QLabel *>("clockLabel")->text(), shown);
}

void TstControllerWindow::clockLabelFollowsTimer()
{
    TestBoard board(10);
    ClockSource::set([] { return at(14, 4, 58); });
    QVERIFY(startedWindow());
    auto *clockLabel = window->findChild<QLabel *>("clockLabel");
    auto *clockTimer = window->findChild<QTimer *>("clockTimer");
    QCOMPARE(clockTimer->interval(), 5000);
    QVERIFY(clockTimer->isActive());
    ClockSource::set([] { return at(14, 5, 3); });
    QCOMPARE(clockLabel->text(), QStringLiteral("14:04"));   // lags until the tick
    QVERIFY(QMetaObject::invokeMethod(clockTimer, "timeout"));   // the tick, without its 5 s
    QTRY_COMPARE(clockLabel->text(), QStringLiteral("14:05"));
}

void TstControllerWindow::greeting_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one line") << QList<QByteArray>{DW_GREETING "\r\n"} << DW_GREETING "\r\n";
    QTest::newRow("several pieces") << QList<QByteArray>{"Daywheel ", "boa", "rd", " ready\n"} << DW_GREETING "\n";
    // Another device's first line is shown as it came too: a foreign greeting.
    QTest::newRow("bytes after the line feed") << QList<QByteArray>{"hello\r", "\nv1.2"}
                                               << "hello\r\nv1.2";
    QTest::newRow("8-bit bytes") << QList<QByteArray>{"caf\xe9\n"} << "caf\u00e9\n";
}

void TstControllerWindow::greeting()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QString, shown);
    TestBoard board(10);
    board.greeting = pieces.takeFirst();
    // Each further piece goes out once the window's port has taken the one
    // before, so the greeting really comes in separate reads.
    connect(&board, &TestBoard::opened, this, [&] {
        auto *port = window->findChild<QSerialPort *>();
        connect(port, &QSerialPort::readyRead, &board, [&] {
            if (!pieces.isEmpty())
                board.send(pieces.takeFirst());
        });
    });
    QVERIFY(startedWindow());
    QVERIFY(pieces.isEmpty());
    QCOMPARE(window->replyLog(), shown);
    QString folded = shown;
    folded.remove(u'\r');
    QCOMPARE(window->findChild<QPlainTextEdit *>("logView")->toPlainText(), folded);
}

void TstControllerWindow::missingPortThenAnswer3()
{
    MissingPort missing(10);
    TestBoard board3(3);
    board3.greeting = "port three\n";
    PromptAnswerer prompt({QStringLiteral("3")});
    QVERIFY(startedWindow());
    QCOMPARE(prompt.titles, QStringList{"com port is 10"});
    // The question first, then why port 10 failed and the ports there are.
    QCOMPARE(prompt.labels.size(), 1);
    const QStringList lines = prompt.labels.first().split(u'\n');
    QCOMPARE(lines.value(0), QStringLiteral("enter com port #"));
    QCOMPARE(lines.value(2), QStringLiteral("Port 10 (%1): no such device.").arg(missing.alias));
    QVERIFY2(lines.contains(QStringLiteral("3  ") + board3.deviceName()), qPrintable(prompt.labels.first()));
    QCOMPARE(board3.opens, 1);
    QCOMPARE(window->replyLog(), QStringLiteral("port three\n"));
    QCOMPARE(workspace.comPort, qint16(3));
}

void TstControllerWindow::badAnswerAsksAgain()
{
    MissingPort missing10(10);
    MissingPort missing7(7);
    TestBoard board3(3);
    // abc is asked again under the same title; 7 fails too and is asked
    // about under its own number; then 3 works.
    PromptAnswerer prompt({QStringLiteral("abc"), QStringLiteral("7"), QStringLiteral(" 3 ")});
    QVERIFY(startedWindow());
    QCOMPARE(prompt.titles, (QStringList{"com port is 10", "com port is 10", "com port is 7"}));
    QCOMPARE(board3.opens, 1);
    QCOMPARE(window->replyLog(), QString::fromLatin1(board3.greeting));
}

void TstControllerWindow::cancelGivesUp()
{
    MissingPort missing(10);
    PromptAnswerer prompt({});
    window = new ControllerWindow(workspace);
    QVERIFY(!startAndWait(window));
    QCOMPARE(prompt.titles.size(), 1);
    QVERIFY(window);
    QVERIFY(!window->isVisible());
}

void TstControllerWindow::greetingNeverComes()
{
    TestBoard board(10);
    board.greeting = "no line feed yet";
    workspace.waitBounds = {300ms, 5s};
    PromptAnswerer prompt({});
    window = new ControllerWindow(workspace);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!startAndWait(window));
    QVERIFY(clock.elapsed() >= 290);
    QCOMPARE(prompt.titles, QStringList{"com port is 10"});
    QCOMPARE(prompt.labels.first().section(u'\n', 2, 2),
             QStringLiteral("Port 10 (%1) opened, but no greeting came within 300 ms: the board may not hold "
                            "Daywheel's firmware (daywheel-ctl flash writes it).")
                 .arg(board.deviceName()));
    // Cancel released the port.
    QVERIFY(portIsFree(board.deviceName()));
}

int main(int argc, char *argv[])
{
    useTemporaryRuntimeFolder();
    QApplication app(argc, argv);
    TstControllerWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_controller_window.moc"
