// The serial link against a test controller on a pseudo-terminal, reached
// through its com10 alias like the real program reaches a board.

#include "controller/port_names.h"
#include "controller/serial_link.h"
#include "support/capabilities.h"
#include "test_controller.h"

#include <QtTest>
#include <optional>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

using namespace std::chrono_literals;
using WaitEnd = SerialLink::WaitEnd;
Q_DECLARE_METATYPE(PortFailure::Kind)

class TstSerialLink : public QObject
{
    Q_OBJECT
private slots:
    void opensAtLineSettings();
    void unopenablePorts_data();
    void unopenablePorts();
    void writeReachesController();
    void lineInPieces();
    void lineNeverEnds();
    void discardDropsEverythingWaiting();
    void controllerGoesAway();
};

void TstSerialLink::opensAtLineSettings()
{
    TestController board(10);
    QVERIFY(board.isReady());
    SerialLink link;
    QVERIFY2(link.open(10), qPrintable(link.errorText()));
    QCOMPARE(QStringLiteral("/dev/") + link.port()->portName(), board.deviceName());
    QCOMPARE(link.port()->baudRate(), 9600);
    QCOMPARE(link.port()->parity(), QSerialPort::NoParity);
    QCOMPARE(link.port()->dataBits(), QSerialPort::Data8);
    QCOMPARE(link.port()->stopBits(), QSerialPort::OneStop);
    QCOMPARE(link.port()->error(), QSerialPort::NoError);

    // The board's greeting waits for the first read.
    QByteArray greeting;
    QCOMPARE(link.waitForLine(greeting, 5s, QEventLoop::AllEvents), WaitEnd::LineFeed);
    QCOMPARE(greeting, board.greeting);
    QCOMPARE(link.bytesWaiting(), 0);
    QCOMPARE(link.readAvailable(), QByteArray());
}

void TstSerialLink::unopenablePorts_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<PortFailure::Kind>("kind");
    QTest::newRow("number with no device") << 0 << "" << PortFailure::Kind::NoDevice;
    QTest::newRow("alias to nothing") << 10 << "dangling alias" << PortFailure::Kind::NotFound;
    // Qt reports these three with one error code.
    QTest::newRow("busy: open elsewhere") << 10 << "held by a port" << PortFailure::Kind::Busy;
    QTest::newRow("busy: held exclusively") << 10 << "held exclusively" << PortFailure::Kind::Busy;
    QTest::newRow("permission denied") << 10 << "node closed" << PortFailure::Kind::PermissionDenied;
}

void TstSerialLink::unopenablePorts()
{
    QFETCH(int, port);
    QFETCH(QString, setup);
    QFETCH(PortFailure::Kind, kind);
    const QString alias = portLinkFolder() + QStringLiteral("/com%1").arg(port);
    std::optional<TestController> board;
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
    SerialLink link;
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
    QCOMPARE(link.openFailure().kind, kind);
    QCOMPARE(link.openFailure().port, qint16(port));
    QVERIFY(!link.isOpen());
    QVERIFY(!link.errorText().isEmpty());
    QVERIFY(!link.write("z\n"));
    QByteArray text;
    QCOMPARE(link.waitForLine(text, 1s, QEventLoop::AllEvents), WaitEnd::Failed);
}

void TstSerialLink::writeReachesController()
{
    TestController board(10);
    SerialLink link;
    QVERIFY(link.open(10));
    QVERIFY(link.write("a0101\n"));
    QVERIFY(link.write("z\n"));
    QTRY_COMPARE(board.received, (QList<QByteArray>{"a0101\n", "z\n"}));
}

void TstSerialLink::lineInPieces()
{
    TestController board(10);
    board.greeting.clear();
    SerialLink link;
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
    board.send(pieces.takeFirst());
    QByteArray text;
    QCOMPARE(link.waitForLine(text, 5s, QEventLoop::AllEvents), WaitEnd::LineFeed);
    QCOMPARE(text, QByteArray("12345\r\nrest"));
    QCOMPARE(reads, 4);
}

void TstSerialLink::lineNeverEnds()
{
    TestController board(10);
    board.greeting = "no line feed";
    SerialLink link;
    QVERIFY(link.open(10));
    QByteArray text;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(link.waitForLine(text, 300ms, QEventLoop::AllEvents), WaitEnd::TimedOut);
    QVERIFY(clock.elapsed() >= 290);
    QCOMPARE(text, QByteArray("no line feed"));
    QVERIFY(link.isOpen());
}

void TstSerialLink::discardDropsEverythingWaiting()
{
    TestController board(10);
    board.greeting.clear();
    SerialLink link;
    QVERIFY(link.open(10));
    board.send("taken in by the port\n");
    QTRY_VERIFY(link.bytesWaiting() > 0);
    board.send("still with the system\n");
    QVERIFY(link.discardInput());
    QCOMPARE(link.bytesWaiting(), 0);

    board.send("fresh\n");
    QByteArray text;
    QCOMPARE(link.waitForLine(text, 5s, QEventLoop::AllEvents), WaitEnd::LineFeed);
    QCOMPARE(text, QByteArray("fresh\n"));
}

void TstSerialLink::controllerGoesAway()
{
    TestController board(10);
    board.greeting.clear();
    SerialLink link;
    QVERIFY(link.open(10));
    QSignalSpy failures(&link, &SerialLink::failed);

    QTimer::singleShot(0, &board, &TestController::goAway);
    QByteArray text;
    QCOMPARE(link.waitForLine(text, 5s, QEventLoop::AllEvents), WaitEnd::Failed);
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

int main(int argc, char *argv[])
{
    useTemporaryRuntimeFolder();
    QCoreApplication app(argc, argv);
    TstSerialLink test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_serial_link.moc"
