// SPDX-License-Identifier: GPL-3.0-or-later
// Measures daywheel-ctl's send (port open, greeting, the day's two halves or
// the week's fourteen sent, read back and compared) against the virtual
// board, beside the line's floor: the bytes on the wire at 9600 bit/s, the
// board's greeting delay and its time to store a half. Not part of ctest: it
// reports, it does not judge.
#include "board_session.h"
#include "app/ctl/ctl_command.h"
#include "board/wire_format.h"
#include "schedule/day_table.h"
#include "schedule_file/schedule_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTextStream>
#include <algorithm>

namespace {
double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
double wireMs(int bytes) { return wireSeconds(bytes) * 1000; }
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString missing = boardtest::missingTools();
    if (!missing.isEmpty()) {
        out << "skipped: " << missing << "\n";
        return 0;
    }
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 10;
    boardtest::BoardSession board;
    if (!board.start()) {
        out << "error: " << board.error << "\n";
        return 1;
    }
    DayTable day;
    for (int i = 20; i < 70; i += 3)
        day.set(i, 1);
    const QString file = board.dir.filePath(QStringLiteral("day.txt"));
    saveSchedule(file, day);
    Week week;
    week.setEveryDay(day);
    week.day(6).set(40, 1);
    const QString weekFile = board.dir.filePath(QStringLiteral("week.txt"));
    saveWeek(weekFile, week);
    const QByteArray lineA = "a" + QByteArray(48, '1'), lineW = "w6a" + QByteArray(48, '1');

    QList<double> greeting, store, storeW, send, sendWeek;
    for (int i = 0; i < rounds; ++i) {
        // The floor's parts, measured on the board itself.
        QElapsedTimer t;
        QByteArray line;
        t.start();
        if (!board.openPort() || !board.readLine(&line)) {
            out << "error in round " << i << ": " << board.error << "\n";
            return 1;
        }
        greeting << t.nsecsElapsed() / 1e6;
        t.restart();
        if (!board.send(lineA) || !board.query("z", &line)) {
            out << "error: " << board.error << "\n";
            return 1;
        }
        store << t.nsecsElapsed() / 1e6 - wireMs(50 + 2 + int(line.size()) + 2);
        t.restart();
        if (!board.send(lineW) || !board.query("z", &line)) {
            out << "error: " << board.error << "\n";
            return 1;
        }
        storeW << t.nsecsElapsed() / 1e6 - wireMs(52 + 2 + int(line.size()) + 2);
        board.port.close();
        // The board notices a close only at its next look at the line.
        const auto closed = [&] {
            QByteArray answer;
            return board.control("open?", &answer) && answer == "open 0";
        };
        boardtest::waitUntil(closed);

        for (const QString &sent : {file, weekFile}) {
            CtlRequest request;
            request.command = CtlRequest::Command::Send;
            request.file = sent;
            request.device = QFileInfo(board.link).canonicalFilePath();
            CtlCommand command(request, [](const QByteArray &) {}, [&](const QByteArray &e) { out << e; });
            QSignalSpy finished(&command, &CtlCommand::finished);
            t.restart();
            command.start();
            if (!finished.wait(30000) || finished.first().first().toInt() != 0)
                return 1;
            (sent == file ? send : sendWeek) << t.nsecsElapsed() / 1e6;
            boardtest::waitUntil(closed);
        }
    }
    // a, b (50 bytes each), f and e (2 each) and their answers (51 each).
    const double wire = wireMs(50 + 50 + 2 + 51 + 2 + 51);
    const double floor = wire + median(greeting) + 2 * median(store);
    out << QString("send and verify: median %1 ms over %2 rounds; floor %3 ms "
                   "(wire %4 ms + greeting %5 ms + 2 x store %6 ms); ratio %7\n")
               .arg(median(send), 0, 'f', 1).arg(rounds).arg(floor, 0, 'f', 1).arg(wire, 0, 'f', 1)
               .arg(median(greeting), 0, 'f', 1).arg(median(store), 0, 'f', 1)
               .arg(median(send) / floor, 0, 'f', 2);
    // 14 w lines (52 bytes each), 14 r questions (4) and their answers (53).
    const double weekWire = wireMs(14 * (52 + 4 + 53));
    const double weekFloor = weekWire + median(greeting) + 14 * median(storeW);
    out << QString("week: median %1 ms; floor %2 ms (wire %3 ms + greeting %4 ms + 14 x store %5 ms); ratio %6\n")
               .arg(median(sendWeek), 0, 'f', 1).arg(weekFloor, 0, 'f', 1).arg(weekWire, 0, 'f', 1)
               .arg(median(greeting), 0, 'f', 1).arg(median(storeW), 0, 'f', 1)
               .arg(median(sendWeek) / weekFloor, 0, 'f', 2);
    return 0;
}
