// The controller window against a test controller on a pseudo-terminal.

#include "schedule/workspace.h"
#include "controller/controller_window.h"
#include "dial/clock_source.h"
#include "schedule/day_table.h"
#include "test_controller.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QtTest>

using namespace std::chrono_literals;

namespace {
// What the windows under test share, as the application would hand it to them.
Workspace workspace;

// Answers the port prompt whenever it is up: records its title and label,
// then types the next answer and presses OK, or presses Cancel when no
// answers are left.
class PromptAnswerer : public QObject
{
public:
    explicit PromptAnswerer(QStringList replies) : answers(std::move(replies))
    {
        connect(&poll, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            titles << dialog->windowTitle();
            labels << dialog->labelText();
            if (answers.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->setTextValue(answers.takeFirst());
            dialog->accept();
        });
        poll.start(10);
    }
    QStringList titles, labels;

private:
    QStringList answers;
    QTimer poll;
};

QDateTime at(int h, int m, int s)
{
    return QDateTime(QDate(2024, 5, 6), QTime(h, m, s));
}

// Makes port 10 one that cannot be opened, whatever devices this machine has.
struct MissingPort
{
    explicit MissingPort(int port)
        : alias(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                + QStringLiteral("/daywheel/ports/com%1").arg(port))
    {
        QDir().mkpath(QFileInfo(alias).path());
        QFile::link(QStringLiteral("/nonexistent/board"), alias);
    }
    ~MissingPort() { QFile::remove(alias); }
    QString alias;
};

bool portIsFree(const QString &device)
{
    QSerialPort probe(device);
    const bool free = probe.open(QIODevice::ReadWrite);
    probe.close();
    return free;
}
}

class TstControllerWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

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

    void sendTime();
    void sendProgram();
    void staleLineDiscarded_data();
    void staleLineDiscarded();
    void statusThenPartA();
    void getTime_data();
    void getTime();
    void replyNeverComes();
    void lateReplyIsNotTheNextAnswer();
    void controllerGoesAway_data();
    void controllerGoesAway();
    void getitReplacesLog();
    void closeShowsMainWindowAndReleasesPort();
    void closeWaitsForReply();

private:
    ControllerWindow *startedWindow(QWidget *mainWindow = nullptr);
    QPointer<ControllerWindow> window;
};

void TstControllerWindow::init()
{
    workspace.comPort = 10;
    workspace.daySlots.reset();
    ClockSource::set({});
    ControllerWindow::setWaitBounds(5s, 5s);
}

void TstControllerWindow::cleanup()
{
    delete window;
    ClockSource::set({});
}

ControllerWindow *TstControllerWindow::startedWindow(QWidget *mainWindow)
{
    window = new ControllerWindow(workspace, mainWindow);
    if (!window->start())
        return nullptr;
    window->show();
    return window;
}

void TstControllerWindow::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("Label1") << "Label1" << "09:00" << QRect(24, 8, 49, 17);
    QTest::newRow("Command1") << "Command1" << "Send Time" << QRect(16, 32, 57, 33);
    QTest::newRow("Command2") << "Command2" << "Send Program" << QRect(88, 32, 73, 33);
    QTest::newRow("Command6") << "Command6" << "Get part a" << QRect(176, 32, 65, 33);
    QTest::newRow("Command3") << "Command3" << "Get Time" << QRect(16, 80, 57, 33);
    QTest::newRow("Command5") << "Command5" << "Status?" << QRect(96, 80, 65, 33);
    QTest::newRow("Command4") << "Command4" << "Get part b" << QRect(176, 80, 65, 33);
    QTest::newRow("Label2") << "Label2" << "Light pattern, part a" << QRect(104, 184, 137, 17);
    QTest::newRow("Text1") << "Text1" << "" << QRect(16, 216, 329, 33);
    QTest::newRow("Text2") << "Text2" << "" << QRect(16, 248, 329, 33);
    QTest::newRow("Label3") << "Label3" << "Light pattern, part b" << QRect(104, 288, 121, 25);
    QTest::newRow("Text3") << "Text3" << "" << QRect(384, 24, 225, 305);
    QTest::newRow("Label4") << "Label4" << "Incoming code from arduino" << QRect(448, 344, 169, 25);
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
    TestController board(10);
    QVERIFY(startedWindow());
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(QApplication::focusWidget(), window->findChild<QWidget *>("Command1"));

    QStringList order;
    QWidget *w = window->findChild<QWidget *>("Command1");
    do {
        order << w->objectName();
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty())
            w = w->nextInFocusChain();
    } while (w->objectName() != QLatin1String("Command1"));
    QCOMPARE(order, (QStringList{"Command1", "Command2", "Command3", "Command4", "Text2", "Text3",
                                 "Text1", "Command5", "Command6"}));
    for (const char *b : {"Command1", "Command2", "Command3", "Command4", "Command5", "Command6"})
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
    TestController board(10);
    ClockSource::set([now] { return now; });
    // The label is set while starting, before the window is ever shown.
    QString labelAtGreeting;
    connect(&board, &TestController::opened, this, [&] {
        labelAtGreeting = window->findChild<QLabel *>("Label1")->text();
    });
    QVERIFY(startedWindow());
    QCOMPARE(labelAtGreeting, shown);
    QCOMPARE(window->findChild<QLabel *>("Label1")->text(), shown);
}

void TstControllerWindow::clockLabelFollowsTimer()
{
    TestController board(10);
    ClockSource::set([] { return at(14, 4, 58); });
    QVERIFY(startedWindow());
    auto *label1 = window->findChild<QLabel *>("Label1");
    auto *timer1 = window->findChild<QTimer *>("Timer1");
    QCOMPARE(timer1->interval(), 5000);
    QVERIFY(timer1->isActive());
    ClockSource::set([] { return at(14, 5, 3); });
    QCOMPARE(label1->text(), QStringLiteral("14:04"));   // lags until the tick
    QTRY_COMPARE_WITH_TIMEOUT(label1->text(), QStringLiteral("14:05"), 7000);
}

void TstControllerWindow::greeting_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one line") << QList<QByteArray>{"Light controller ready\r\n"}
                              << "Light controller ready\r\n";
    QTest::newRow("several pieces") << QList<QByteArray>{"Light ", "contro", "ller", " ready\n"}
                                    << "Light controller ready\n";
    QTest::newRow("bytes after the line feed") << QList<QByteArray>{"hello\r", "\nv1.2"}
                                               << "hello\r\nv1.2";
    QTest::newRow("8-bit bytes") << QList<QByteArray>{"caf\xe9\n"} << "caf\u00e9\n";
}

void TstControllerWindow::greeting()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QString, shown);
    TestController board(10);
    board.greeting = pieces.takeFirst();
    // Each further piece goes out once the window's port has taken the one
    // before, so the greeting really comes in separate reads.
    connect(&board, &TestController::opened, this, [&] {
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
    QCOMPARE(window->findChild<QPlainTextEdit *>("Text3")->toPlainText(), folded);
}

void TstControllerWindow::missingPortThenAnswer3()
{
    MissingPort missing(10);
    TestController board3(3);
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
    TestController board3(3);
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
    QVERIFY(!window->start());
    QCOMPARE(prompt.titles.size(), 1);
    QVERIFY(window);
    QVERIFY(!window->isVisible());
}

void TstControllerWindow::greetingNeverComes()
{
    TestController board(10);
    board.greeting = "no line feed yet";
    ControllerWindow::setWaitBounds(300ms, 5s);
    PromptAnswerer prompt({});
    window = new ControllerWindow(workspace);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!window->start());
    QVERIFY(clock.elapsed() >= 290);
    QCOMPARE(prompt.titles, QStringList{"com port is 10"});
    QCOMPARE(prompt.labels.first().section(u'\n', 2, 2),
             QStringLiteral("Port 10 (%1) opened, but no greeting came within 300 ms.")
                 .arg(board.deviceName()));
    // Cancel released the port.
    QVERIFY(portIsFree(board.deviceName()));
}

void TstControllerWindow::sendTime()
{
    TestController board(10);
    ClockSource::set([] { return at(14, 5, 30); });
    QVERIFY(startedWindow());
    // The label is sent as shown, even when the clock has moved on since.
    ClockSource::set([] { return at(14, 6, 2); });
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QTRY_COMPARE(board.received, QList<QByteArray>{QByteArray("\x74\x31\x34\x3A\x30\x35\x0A")});
    QCOMPARE(window->replyLog(), QString::fromLatin1(board.greeting));
}

void TstControllerWindow::sendProgram()
{
    TestController board(10);
    for (int s = 25; s <= 32; ++s)
        workspace.daySlots.set(s, 1);
    workspace.daySlots.set(0, 5);     // values a loaded file may hold
    workspace.daySlots.set(95, -1);
    QVERIFY(startedWindow());
    QTest::mouseClick(window->findChild<QPushButton *>("Command2"), Qt::LeftButton);
    const QByteArray lineA = "a5" + QByteArray(24, '0') + QByteArray(8, '1') + QByteArray(15, '0') + "\n";
    const QByteArray lineB = "b" + QByteArray(47, '0') + "-1\n";
    QCOMPARE(lineB.size(), 51);
    QTRY_COMPARE(board.received, (QList<QByteArray>{lineA, lineB}));
    QCOMPARE(window->findChild<QLineEdit *>("Text1")->text(), QString::fromLatin1(lineA));
    QCOMPARE(window->findChild<QLineEdit *>("Text2")->text(), QString::fromLatin1(lineB));
}

void TstControllerWindow::staleLineDiscarded_data()
{
    QTest::addColumn<bool>("takenByPort");
    QTest::newRow("already read by the port") << true;
    QTest::newRow("still held by the system") << false;
}

void TstControllerWindow::staleLineDiscarded()
{
    QFETCH(bool, takenByPort);
    TestController board(10);
    board.answer = [](const QByteArray &line) {
        return line == "s\n" ? QByteArray("status ok\r\n") : QByteArray("ack\r\n");
    };
    QVERIFY(startedWindow());
    // Send Time's line is acknowledged, and nobody reads the ack.
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QTRY_COMPARE(board.received.size(), 1);
    if (takenByPort)
        QTRY_VERIFY(window->findChild<QSerialPort *>()->bytesAvailable() > 0);
    QTest::mouseClick(window->findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QCOMPARE(window->replyLog(), QString::fromLatin1(board.greeting) + QStringLiteral("status ok\r\n"));
}

void TstControllerWindow::statusThenPartA()
{
    TestController board(10);
    const QByteArray partA = QByteArray(25, '0') + QByteArray(8, '1') + QByteArray(15, '0') + "\r\n";
    board.answer = [&](const QByteArray &line) {
        if (line == "s\n")
            return QByteArray("OK 12:00\r\n");
        if (line == "f\n")
            return partA;
        return QByteArray();
    };
    QVERIFY(startedWindow());
    QTest::mouseClick(window->findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QTest::mouseClick(window->findChild<QPushButton *>("Command6"), Qt::LeftButton);
    QCOMPARE(board.received, (QList<QByteArray>{"s\n", "f\n"}));
    QCOMPARE(window->replyLog(),
             QString::fromLatin1(board.greeting + "OK 12:00\r\n" + partA));
}

void TstControllerWindow::getTime_data()
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

void TstControllerWindow::getTime()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, shown);
    TestController board(10);
    board.answer = [&](const QByteArray &line) { return line == "z\n" ? reply : QByteArray(); };
    QVERIFY(startedWindow());
    QTest::mouseClick(window->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    QCOMPARE(board.received, QList<QByteArray>{"z\n"});
    QCOMPARE(window->replyLog(), QString::fromLatin1(board.greeting) + shown + QStringLiteral("\r\n"));
}

void TstControllerWindow::replyNeverComes()
{
    TestController board(10);
    board.answer = [](const QByteArray &line) {
        return line == "e\n" ? QByteArray("0000") : QByteArray("fine\n");
    };
    ControllerWindow::setWaitBounds(5s, 300ms);
    QVERIFY(startedWindow());
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(window->findChild<QPushButton *>("Command4"), Qt::LeftButton);
    QVERIFY(clock.elapsed() >= 290);
    const QString greeting = QString::fromLatin1(board.greeting);
    QCOMPARE(window->replyLog(), greeting + "0000\r\nThe controller did not answer.\r\n");
    // The window carries on.
    QTest::mouseClick(window->findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QCOMPARE(window->replyLog(), greeting + "0000\r\nThe controller did not answer.\r\nfine\n");
}

void TstControllerWindow::lateReplyIsNotTheNextAnswer()
{
    // The time comes a second after Get Time gave up; the status never comes.
    TestController board(10);
    board.answer = [&](const QByteArray &line) {
        if (line == "z\n")
            QTimer::singleShot(2200ms, &board, [&] { board.send("43200\r\n"); });
        return QByteArray();
    };
    ControllerWindow::setWaitBounds(5s, 1200ms);
    QVERIFY(startedWindow());
    QTest::mouseClick(window->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    const QString gaveUp = QString::fromLatin1(board.greeting) + "The controller did not answer.\r\n";
    QCOMPARE(window->replyLog(), gaveUp);
    QTest::mouseClick(window->findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QCOMPARE(window->replyLog(), gaveUp + "The controller did not answer.\r\n");
    QCOMPARE(board.received, (QList<QByteArray>{"z\n", "s\n"}));
}

void TstControllerWindow::controllerGoesAway_data()
{
    QTest::addColumn<bool>("duringQuery");
    QTest::newRow("while idle") << false;
    QTest::newRow("while a query waits") << true;
}

void TstControllerWindow::controllerGoesAway()
{
    QFETCH(bool, duringQuery);
    QWidget mainWindow;
    TestController board(10);
    if (duringQuery) {
        board.answer = [&](const QByteArray &) {
            QTimer::singleShot(0, &board, &TestController::goAway);
            return QByteArray();
        };
    }
    QVERIFY(startedWindow(&mainWindow));
    const QString greeting = QString::fromLatin1(board.greeting);
    if (duringQuery) {
        QTest::mouseClick(window->findChild<QPushButton *>("Command5"), Qt::LeftButton);
        QVERIFY(window->replyLog().startsWith(greeting + "Could not read from the controller: "));
    } else {
        board.goAway();
        QTRY_VERIFY(window->replyLog() != greeting);
        QVERIFY(window->replyLog().startsWith(greeting + "The serial link failed: "));
    }
    // One report of the failure, not one per failed read.
    QTRY_VERIFY(!window->findChild<QSerialPort *>()->isOpen());
    QCOMPARE(window->replyLog().count(u'\n'), greeting.count(u'\n') + 1);

    // The window stays usable and says why nothing happens.
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QVERIFY(window->replyLog().section(u'\n', -2).startsWith("Could not send to the controller: "));
    QTest::mouseClick(window->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    QVERIFY(window->replyLog().section(u'\n', -2).startsWith("Could not read from the controller: "));
    QVERIFY(window->isVisible());

    // Closing it and starting again connects afresh.
    window->close();
    QTRY_VERIFY(!window);
    TestController again(10);
    again.greeting = "back again\n";
    QVERIFY(startedWindow(&mainWindow));
    QCOMPARE(window->replyLog(), QStringLiteral("back again\n"));
}

void TstControllerWindow::getitReplacesLog()
{
    TestController board(10);
    QVERIFY(startedWindow());
    QTimer::singleShot(0, &board, [&] { board.send("late li"); });
    connect(window->findChild<QSerialPort *>(), &QSerialPort::readyRead, &board,
            [&] { board.send("ne\r\nand more"); }, Qt::SingleShotConnection);
    window->getit();
    QCOMPARE(window->replyLog(), QStringLiteral("late line\r\nand more"));
}

void TstControllerWindow::closeShowsMainWindowAndReleasesPort()
{
    QWidget mainWindow;
    mainWindow.show();
    TestController board(10);
    QVERIFY(startedWindow(&mainWindow));
    mainWindow.hide();
    QVERIFY(!portIsFree(board.deviceName()));
    window->close();
    QVERIFY(mainWindow.isVisible());
    QVERIFY(!window->isVisible());
    QTRY_VERIFY(!window);   // destroyed, and its port with it
    QVERIFY(portIsFree(board.deviceName()));
}

void TstControllerWindow::closeWaitsForReply()
{
    QWidget mainWindow;
    TestController board(10);
    board.answer = [&](const QByteArray &) {
        // The close request comes in while the query waits; the answer
        // follows it.
        QTimer::singleShot(0, this, [&] {
            window->close();
            QVERIFY(window->isVisible());
            board.send("done\n");
        });
        return QByteArray();
    };
    QVERIFY(startedWindow(&mainWindow));
    QTest::mouseClick(window->findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QCOMPARE(window->replyLog(), QString::fromLatin1(board.greeting) + "done\n");
    QTRY_VERIFY(!window);
    QVERIFY(mainWindow.isVisible());
}

int main(int argc, char *argv[])
{
    useTemporaryRuntimeFolder();
    QApplication app(argc, argv);
    TstControllerWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_controller_window.moc"
