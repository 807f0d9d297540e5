// SPDX-License-Identifier: GPL-3.0-or-later
// A broken board or a wrong device against the controller window: floods,
// endless lines, binary bytes. Whatever arrives, the window keeps answering,
// the day stays as it was and memory stays bounded.

#include "ui/workspace.h"
#include "ui/controller_window.h"
#include "schedule/day_table.h"
#include "controller_window_driver.h"
#include "board/test_board.h"

#include <QApplication>
#include <QPushButton>
#include <QtTest>

#include <unistd.h>

using namespace std::chrono_literals;

namespace {
// What the windows under test share, as the application would hand it to them.
Workspace workspace;

// The test process (window and test board) may grow by this much
// however much the board sends. AddressSanitizer holds freed blocks back
// (256 MiB by default) before it reuses them: reading a flood fills that.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HOLDS_FREED_BLOCKS
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(HOLDS_FREED_BLOCKS)
constexpr qint64 residentGrowthBound = (48 << 20) + (256 << 20);
#else
constexpr qint64 residentGrowthBound = 48 << 20;
#endif

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

// Sends `total` bytes of `pattern` and then `tail`, as fast as the line
// takes them, never waiting.
class Sender : public QObject
{
public:
    Sender(TestBoard &board, QByteArray pattern, qint64 total, QByteArray tail)
        : board(board), chunk(std::move(pattern)), left(total), end(std::move(tail))
    {
        while (chunk.size() < 64 * 1024)
            chunk += chunk;
        connect(&pump, &QTimer::timeout, this, [this] { push(); });
    }
    void start() { pump.start(0); }

private:
    void push()
    {
        const QByteArray piece = left >= chunk.size() ? chunk : chunk.first(left) + end;
        const qint64 n = board.send(piece);
        left -= n;
        if (left <= 0 && n == piece.size())
            pump.stop();
    }
    TestBoard &board;
    QByteArray chunk;
    qint64 left;
    QByteArray end;
    QTimer pump;
};

DayTable markedDay()
{
    DayTable t;
    for (int i = 0; i < DayTable::size; ++i)
        t.set(i, qint16(i % 4));
    return t;
}
}

class TstControllerFaults : public QObject
{
    Q_OBJECT
private slots:
    void keepsAnswering_data();
    void keepsAnswering();
};

void TstControllerFaults::keepsAnswering_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("shown");
    QTest::newRow("flood while idle") << "idle flood" << "";
    QTest::newRow("flood during a query") << "query flood" << "The answer was too long";
    QTest::newRow("1 MiB line") << "long line" << "The answer was too long";
    QTest::newRow("NUL and 0xFF bytes") << "binary" << QString::fromLatin1(QByteArray("\0\xffok\xff\n", 6));
    QTest::newRow("greeting that never ends") << "greeting flood" << "The greeting was too long";
}

void TstControllerFaults::keepsAnswering()
{
    QFETCH(QString, fault);
    QFETCH(QString, shown);
    workspace.comPort = 10;
    workspace.week.setEveryDay(markedDay());
    workspace.waitBounds = {5s, 3s};
    const qint64 before = residentBytes();
    // Sampled all along: what a drain frees again must not hide the peak.
    qint64 peak = before;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] { peak = std::max(peak, residentBytes()); });
    sampler.start(5);

    TestBoard board(10);
    const QByteArray junk = "junk without a line end ";
    Sender longLine(board, "x", 1 << 20, "\n");
    board.answer = [&](const QByteArray &line) -> QByteArray {
        if (line == "s\n")
            return "fine\n";
        if (line != "f\n")
            return {};
        if (fault == QLatin1String("query flood"))
            board.startFlood(junk);
        if (fault == QLatin1String("long line"))
            longLine.start();
        if (fault == QLatin1String("binary"))
            return QByteArray("\0\xffok\xff\n", 6);
        return {};
    };
    if (fault == QLatin1String("greeting flood")) {
        board.greeting.clear();
        connect(&board, &TestBoard::opened, &board, [&] { board.startFlood(junk); });
    }

    QPointer<ControllerWindow> window = new ControllerWindow(workspace);
    QVERIFY(startAndWait(window));
    window->show();
    const qsizetype logBefore = window->replyLog().size();

    if (fault == QLatin1String("idle flood")) {
        // A board that talks unasked, at whatever speed the line takes, for
        // a few hundred megabytes or a few seconds.
        board.startFlood(junk);
        QEventLoop idle;
        QTimer check;
        connect(&check, &QTimer::timeout, &idle, [&] {
            if (board.flooded() > (256 << 20))
                idle.quit();
        });
        check.start(10);
        QTimer::singleShot(3000, &idle, &QEventLoop::quit);
        idle.exec();
    } else if (fault != QLatin1String("greeting flood")) {
        QVERIFY(clickAndWait(window, "getPartAButton"));   // Get part a
    }
    board.stopFlood();
    QVERIFY2(window->replyLog().mid(logBefore).contains(shown) || fault == QLatin1String("greeting flood"),
             qPrintable(window->replyLog().mid(logBefore).right(200)));
    if (fault == QLatin1String("greeting flood"))
        QVERIFY(window->replyLog().contains(shown));
    QVERIFY(window->replyLog().size() < (1 << 20) + 4096);

    // The next query is answered.
    QVERIFY(clickAndWait(window, "statusButton"));   // Status?
    QVERIFY2(window->replyLog().endsWith(QStringLiteral("fine\n")), qPrintable(window->replyLog().right(200)));
    QCOMPARE(workspace.week.day(1), markedDay());
    peak = std::max(peak, residentBytes());
    QVERIFY2(peak - before < residentGrowthBound,
             qPrintable(QStringLiteral("grew by %1 MiB").arg((peak - before) >> 20)));
    delete window;
}

int main(int argc, char *argv[])
{
    useTemporaryRuntimeFolder();
    QApplication app(argc, argv);
    TstControllerFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_controller_faults.moc"
