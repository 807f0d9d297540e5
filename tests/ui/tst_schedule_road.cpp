// SPDX-License-Identifier: GPL-3.0-or-later
// One day from the main window to the board: SET, Send, Send
// Program, with the real main window and window navigation.

#include "ui/main_window.h"
#include "ui/navigator.h"
#include "ui/workspace.h"
#include "ui/controller_window.h"
#include "schedule/day_table.h"
#include "board/test_board.h"

#include <QApplication>
#include <QInputDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

using namespace std::chrono_literals;

namespace {
// What the windows under test share, as the application would hand it to them.
Workspace workspace;

// Counts port prompts shown, however briefly.
struct PromptWatch : QObject
{
    int shown = 0;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<QInputDialog *>(watched))
            ++shown;
        return false;
    }
};
}

class TstScheduleRoad : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void setSendAndProgram();
    void cancelLeavesMainWindow();
    void endingProgramWhileStarting();
};

void TstScheduleRoad::init()
{
    workspace.week = Week();
    workspace.waitBounds = {5s, 5s};
}

void TstScheduleRoad::setSendAndProgram()
{
    MainWindow form1(workspace);
    Navigator navigator(workspace, form1);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    TestBoard board(10);

    QCOMPARE(form1.findChild<QScrollBar *>("startScroll")->value(), 24);
    QCOMPARE(form1.findChild<QScrollBar *>("endScroll")->value(), 32);
    QTest::mouseClick(form1.findChild<QPushButton *>("setButton"), Qt::LeftButton);   // SET

    // While the controller window starts, the main window is still there,
    // and a further Send changes nothing.
    bool mainShownWhileStarting = false;
    bool controllerShownWhileStarting = true;
    connect(&board, &TestBoard::opened, this, [&] {
        mainShownWhileStarting = form1.isVisible();
        controllerShownWhileStarting = navigator.controllerWindow() != nullptr;
        QTest::mouseClick(form1.findChild<QPushButton *>("sendButton"), Qt::LeftButton);
    });
    QTest::mouseClick(form1.findChild<QPushButton *>("sendButton"), Qt::LeftButton);   // Send
    QTRY_VERIFY(navigator.controllerWindow());
    QVERIFY(mainShownWhileStarting);
    QVERIFY(!controllerShownWhileStarting);
    QCOMPARE(board.opens, 1);
    QCOMPARE(form1.findChildren<ControllerWindow *>().size(), 1);

    auto *form3 = qobject_cast<ControllerWindow *>(navigator.controllerWindow());
    QVERIFY(form3);
    QVERIFY(form3->isVisible());
    QVERIFY(!form1.isVisible());
    QCOMPARE(form3->replyLog(), QString::fromLatin1(board.greeting));

    QTest::mouseClick(form3->findChild<QPushButton *>("sendProgramButton"), Qt::LeftButton);   // Send Program
    const QByteArray lineA =
        "a" + QByteArray(25, '0') + QByteArray(8, '1') + QByteArray(15, '0') + "\n";
    const QByteArray lineB = "b" + QByteArray(48, '0') + "\n";
    QTRY_COMPARE(board.received, (QList<QByteArray>{lineA, lineB}));
    // Only the main window carries Daywheel's icon.
    QVERIFY(!form1.windowIcon().isNull());
    QVERIFY(form3->windowIcon().isNull());

    // The file window's Save Times brings the main window back while the
    // controller window is open; Send then returns to that same window.
    form1.show();
    QTest::mouseClick(form1.findChild<QPushButton *>("sendButton"), Qt::LeftButton);
    QCOMPARE(navigator.controllerWindow(), form3);
    QVERIFY(form3->isVisible());
    QVERIFY(!form1.isVisible());
    QCOMPARE(board.opens, 1);

    // Closed while a question waits, and Send at once: a fresh window
    // follows once the port is free; the closed one never comes back.
    QPointer<ControllerWindow> closed = form3;
    QTest::mouseClick(form3->findChild<QPushButton *>("statusButton"), Qt::LeftButton);   // Status?
    QTRY_COMPARE(board.received.size(), 3);
    form3->close();
    QVERIFY(form1.isVisible());
    QVERIFY(!navigator.controllerWindow());
    QTest::mouseClick(form1.findChild<QPushButton *>("sendButton"), Qt::LeftButton);
    QTRY_VERIFY(navigator.controllerWindow());
    QVERIFY(!closed);
    QCOMPARE(board.opens, 2);
    QCOMPARE(board.received.size(), 3);
    QCOMPARE(workspace.comPort, qint16(10));
}

void TstScheduleRoad::cancelLeavesMainWindow()
{
    MainWindow form1(workspace);
    Navigator navigator(workspace, form1);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    TestBoard board(10);
    board.greeting = "never ends";
    workspace.waitBounds = {200ms, 5s};

    QStringList titles;
    QTimer cancel;
    connect(&cancel, &QTimer::timeout, this, [&] {
        if (auto *d = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            titles << d->windowTitle();
            d->reject();
        }
    });
    cancel.start(10);
    QTest::mouseClick(form1.findChild<QPushButton *>("sendButton"), Qt::LeftButton);
    QTRY_COMPARE(titles, QStringList{"com port is 10"});
    QVERIFY(form1.isVisible());
    QVERIFY(!navigator.controllerWindow());
    QTRY_VERIFY(form1.findChildren<ControllerWindow *>().isEmpty());
}

void TstScheduleRoad::endingProgramWhileStarting()
{
    // Closing the main window during the greeting wait ends the program:
    // the start gives up without a prompt and nothing is left behind.
    MainWindow form1(workspace);
    Navigator navigator(workspace, form1);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    TestBoard board(10);
    board.greeting.clear();

    PromptWatch prompts;
    qApp->installEventFilter(&prompts);
    connect(&board, &TestBoard::opened, &form1, [&] {
        QTimer::singleShot(0, &form1, &QWidget::close);
    });
    bool sendReturned = false;
    QTimer::singleShot(0, &form1, [&] {
        QTest::mouseClick(form1.findChild<QPushButton *>("sendButton"), Qt::LeftButton);
        sendReturned = true;
    });
    QTimer failsafe;
    failsafe.setSingleShot(true);
    connect(&failsafe, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    failsafe.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(sendReturned);
    qApp->removeEventFilter(&prompts);
    QCOMPARE(prompts.shown, 0);
    QTRY_VERIFY(form1.findChildren<ControllerWindow *>().isEmpty());
}

int main(int argc, char *argv[])
{
    useTemporaryRuntimeFolder();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    TstScheduleRoad test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_schedule_road.moc"
