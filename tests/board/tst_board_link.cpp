// SPDX-License-Identifier: GPL-3.0-or-later
// The serial link and the exchanges run over it, against a test board
// on a pseudo-terminal reached through its com10 alias like the real program
// reaches a board. No window and no display.

#include "board/port_names.h"
#include "board/board_link.h"
#include "board/serial_link.h"
#include "support/capabilities.h"
#include "test_board.h"

#include <QSerialPort>
#include <QtTest>
#include <optional>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

using namespace std::chrono_literals;
using Outcome = BoardLink::Outcome;
Q_DECLARE_METATYPE(PortFailure::Cause)

namespace {
// Starts exchanges and waits for the last one's result.
BoardLink::Result run(BoardLink &link, const std::function<void()> &start, int results = 1)
{
    QList<BoardLink::Result> got;
    const QMetaObject::Connection c = QObject::connect(
        &link, &BoardLink::finished, [&](const BoardLink::Result &r) { got << r; });
    start();
    (void)QTest::qWaitFor([&] { return got.size() >= results; }, 20000);
    QObject::disconnect(c);
    return got.size() >= results ? got.last() : BoardLink::Result{BoardLink::Exchange::Send, "no result"};
}

BoardLink::Result nextLine(BoardLink &link)
{
    return run(link, [&] { link.listen(); });
}
}

class TstBoardLink : public QObject
{
    Q_OBJECT
private slots:
    void opensAtLineSettings();
    void unopenablePorts_data();
    void unopenablePorts();
    void writeReachesBoard();
    void lineInPieces();
    void lineNeverEnds();
    void unaskedLinesShownNotTaken();
    void boardGoesAway();
    void exchangesTakeTurns();
};

void TstBoardLink::opensAtLineSettings()
{
    TestBoard board(10);
    QVERIFY(board.isReady());
    BoardLink engine;
    const BoardLink::Result greeted = run(engine, [&] { engine.connectTo(10); });
    SerialLink &link = *engine.serialLink();
    QVERIFY2(greeted.ok(), qPrintable(link.errorText()));
    QCOMPARE(QStringLiteral("/dev/") + link.port()->portName(), board.deviceName());
    QCOMPARE(link.port()->baudRate(), 9600);
    QCOMPARE(link.port()->parity(), QSerialPort::NoParity);
    QCOMPARE(link.port()->dataBits(), QSerialPort::Data8);
    QCOMPARE(link.port()->stopBits(), QSerialPort::OneStop);
    QCOMPARE(link.port()->error(), QSerialPort::NoError);

    QCOMPARE(greeted.reply, board.greeting);
    QCOMPARE(link.bytesWaiting(), 0);
    QCOMPARE(link.readAvailable(), QByteArray());
}

void TstBoardLink::unopenablePorts_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<PortFailure::Cause>("cause");
    QTest::newRow("number with no device") << 0 << "" << PortFailure::Cause::NoDevice;
    QTest::newRow("alias to nothing") << 10 << "dangling alias" << PortFailure::Cause::NotFound;
    // Qt reports these three with one error code.
    QTest::newRow("busy: open elsewhere") << 10 << "held by a port" << PortFailure::Cause::Busy;
    QTest::newRow("busy: held exclusively") << 10 << "held exclusively" << PortFailure::Cause::Busy;
    QTest::newRow("permission denied") << 10 << "node closed" << PortFailure::Cause::PermissionDenied;
}

void TstBoardLink::unopenablePorts()
{
    QFETCH(int, port);
    QFETCH(QString, setup);
    QFETCH(PortFailure::Cause, cause);
    const QString alias = portLinkFolder() + QStringLiteral("/com%1").arg(port);
    std::optional<TestBoard> board;
    QSerialPort holder;
    int exclusive = -1;
    mode_t oldMode = 0;
    unsigned withheld = 0;
    if (setup == QLatin1String("dangling alias")) {
        QDir().mkpath(portLinkFolder());
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/board"), alias));
    } else if (!setup.isEmpty()) {
        board.emplace(qint16(port));
        QVERIFY(board->isReady());
        const QByteArray node = QFile::encodeName(board->deviceName());
        if (setup == QLatin1String("held by a port")) {
            holder.setPortName(board->deviceName());
            QVERIFY(holder.open(QIODevice::ReadWrite));
        } else if (setup == QLatin1String("held exclusively")) {
            // Another program's exclusive open, without a lock file.
            exclusive = ::open(node.constData(), O_RDWR | O_NOCTTY);
            QVERIFY(exclusive >= 0);
            QCOMPARE(::ioctl(exclusive, TIOCEXCL), 0);
            withheld = WithoutCapabilities::exclusiveOpens;
        } else {
            struct stat info{};
            QCOMPARE(::stat(node.constData(), &info), 0);
            oldMode = info.st_mode & 07777;
            QCOMPARE(::chmod(node.constData(), 0), 0);
            withheld = WithoutCapabilities::filePermissions;
        }
    }
    BoardLink engine;
    SerialLink &link = *engine.serialLink();
    bool opened;
    {
        WithoutCapabilities asUser(withheld);
        opened = link.open(qint16(port));
    }
    if (exclusive >= 0) {
        ::ioctl(exclusive, TIOCNXCL);
        ::close(exclusive);
    }
    if (setup == QLatin1String("node closed"))
        ::chmod(QFile::encodeName(board->deviceName()).constData(), oldMode);
    if (setup == QLatin1String("dangling alias"))
        QFile::remove(alias);

    QVERIFY(!opened);
    QCOMPARE(link.openFailure().cause, cause);
    QCOMPARE(link.openFailure().port, qint16(port));
    QVERIFY(!link.isOpen());
    QVERIFY(!link.errorText().isEmpty());
    QVERIFY(!link.write("z\n"));
    QCOMPARE(nextLine(engine).outcome, Outcome::ReadFailed);
}

void TstBoardLink::writeReachesBoard()
{
    TestBoard board(10);
    SerialLink link;
    QVERIFY(link.open(10));
    QVERIFY(link.write("a0101\n"));
    QVERIFY(link.write("z\n"));
    QTRY_COMPARE(board.received, (QList<QByteArray>{"a0101\n", "z\n"}));
}

void TstBoardLink::lineInPieces()
{
    TestBoard board(10);
    board.greeting.clear();
    BoardLink engine;
    SerialLink &link = *engine.serialLink();
    QVERIFY(link.open(10));

    // Each piece goes out once the link has taken the one before, so the
    // line really arrives in separate reads.
    QList<QByteArray> pieces{"12", "34", "5\r", "\nrest"};
    int reads = 0;
    connect(link.port(), &QSerialPort::readyRead, this, [&] {
        ++reads;
        if (!pieces.isEmpty())
            board.send(pieces.takeFirst());
    });
    const BoardLink::Result line = run(engine, [&] {
        engine.listen();
        board.send(pieces.takeFirst());
    });
    QCOMPARE(line.outcome, Outcome::Done);
    QCOMPARE(line.reply, QByteArray("12345\r\nrest"));
    QCOMPARE(reads, 4);
}

void TstBoardLink::lineNeverEnds()
{
    TestBoard board(10);
    board.greeting = "no line feed";
    BoardLink engine;
    engine.setBounds({5s, 300ms});
    SerialLink &link = *engine.serialLink();
    QVERIFY(link.open(10));
    QElapsedTimer clock;
    clock.start();
    const BoardLink::Result line = nextLine(engine);
    QCOMPARE(line.outcome, Outcome::TimedOut);
    QVERIFY(clock.elapsed() >= 290);
    QCOMPARE(line.reply, QByteArray("no line feed"));
    QVERIFY(link.isOpen());
}

// What the board says unasked is reported as it comes, never lost and never
// taken for an answer; a line under way when a question is due is waited for.
void TstBoardLink::unaskedLinesShownNotTaken()
{
    TestBoard board(10);
    board.greeting.clear();
    board.answer = [](const QByteArray &q) { return q == "s\n" ? QByteArray("fresh\n") : QByteArray(); };
    BoardLink engine;
    QVERIFY(engine.serialLink()->open(10));
    QSignalSpy unasked(&engine, &BoardLink::unasked), settling(&engine, &BoardLink::settling);
    QSignalSpy read(engine.serialLink()->port(), &QSerialPort::readyRead);
    board.send("error: bad digit\r\n");
    QTRY_COMPARE(unasked.count(), 1);
    QCOMPARE(unasked[0][0].toByteArray(), QByteArray("error: bad digit\r\n"));
    board.send("half a li");
    QTRY_COMPARE(read.count(), 2);
    const BoardLink::Result line = run(engine, [&] {
        engine.ask("s\n");
        QTimer::singleShot(50ms, &board, [&] { board.send("ne\n"); });
    });
    QCOMPARE(line.reply, QByteArray("fresh\n"));
    QCOMPARE(settling.count(), 1);
    QCOMPARE(unasked.count(), 2);
    QCOMPARE(unasked[1][0].toByteArray(), QByteArray("half a line\n"));
}

void TstBoardLink::boardGoesAway()
{
    TestBoard board(10);
    board.greeting.clear();
    BoardLink engine;
    SerialLink &link = *engine.serialLink();
    QVERIFY(link.open(10));
    QSignalSpy failures(&link, &SerialLink::failed);

    QTimer::singleShot(0, &board, &TestBoard::goAway);
    const BoardLink::Result line = nextLine(engine);
    QCOMPARE(line.outcome, Outcome::ReadFailed);
    QVERIFY(!link.errorText().isEmpty());
    QTRY_VERIFY(!link.isOpen());
    // Reported once, not once per failed read.
    QCoreApplication::processEvents();
    QCOMPARE(failures.count(), 1);
    const QString reason = link.errorText();
    QVERIFY(!link.write("s\n"));
    QCOMPARE(link.errorText(), reason);
    QVERIFY(!link.discardInput());
}

void TstBoardLink::exchangesTakeTurns()
{
    // Asked back to back, each question waits for the one before to be
    // answered; past the queue's bound a question is refused.
    TestBoard board(10);
    board.answer = [](const QByteArray &line) { return "re " + line; };
    BoardLink engine;
    QVERIFY(run(engine, [&] { engine.connectTo(10); }).ok());
    QList<QByteArray> replies;
    connect(&engine, &BoardLink::finished, this,
            [&](const BoardLink::Result &r) { replies << r.reply; });
    QSignalSpy idle(&engine, &BoardLink::idle);
    int accepted = 0;
    for (int i = 0; i < int(BoardLink::queueBound) + 2; ++i)
        accepted += engine.ask(QByteArray(1, char('a' + i % 26)) + '\n');
    QCOMPARE(accepted, int(BoardLink::queueBound) + 1);   // one runs, the rest wait
    QVERIFY(idle.wait(20000));
    QCOMPARE(replies.size(), accepted);
    QCOMPARE(replies.first(), QByteArray("re a\n"));
    QCOMPARE(replies.last(), "re " + QByteArray(1, char('a' + accepted - 1)) + '\n');
    QCOMPARE(board.received.size(), accepted);

    // a line made as it goes out, when the 97 bytes before it have left
    QElapsedTimer written;
    qint64 madeAt = -1;
    written.start();
    engine.send({QByteArray(96, 'x') + '\n'});
    engine.send([&] { madeAt = written.elapsed(); return QList<QByteArray>{"z\n"}; });
    QTRY_VERIFY(madeAt >= 0);
    QVERIFY2(madeAt >= 100, qPrintable(QString::number(madeAt)));
}

int main(int argc, char *argv[])
{
    useTemporaryRuntimeFolder();
    QCoreApplication app(argc, argv);
    TstBoardLink test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_board_link.moc"
