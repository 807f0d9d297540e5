// SPDX-License-Identifier: GPL-3.0-or-later
// Measures query round trips against the virtual board and sets them beside
// the time the bytes need on the line (DW_LINE_BAUD, DW_LINE_BITS_PER_BYTE
// bits a byte). Not part of ctest: it reports, it does not judge.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>

#include "board_session.h"
#include "dw_clock.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString missing = boardtest::missingTools();
    if (!missing.isEmpty()) {
        out << "skipped: " << missing << "\n";
        return 0;
    }
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 50;

    boardtest::BoardSession b;
    QElapsedTimer greet;
    QByteArray line;
    if (!b.start()) {
        out << "error: " << b.error << "\n";
        return 1;
    }
    greet.start();
    if (!b.openPort() || !b.readLine(&line)) {
        out << "error: " << b.error << "\n";
        return 1;
    }
    out << "greeting " << greet.elapsed() << " ms after open (the bootloader hold is "
        << DW_BOOT_HOLD_MS << " ms)\n";

    for (const QByteArray &cmd : {QByteArray("z"), QByteArray("f"), QByteArray("s")}) {
        QList<double> ms;
        int answerBytes = 0;
        for (int i = 0; i < rounds; ++i) {
            QElapsedTimer t;
            t.start();
            if (!b.query(cmd, &line)) {
                out << "error: " << b.error << "\n";
                return 1;
            }
            ms << t.nsecsElapsed() / 1e6;
            answerBytes = int(line.size()) + 2;
        }
        std::sort(ms.begin(), ms.end());
        const int wireBytes = int(cmd.size()) + 1 + answerBytes;
        out << QString("\"%1\": %2 rounds, min %3 ms, median %4 ms, max %5 ms; "
                       "%6 bytes on the wire = %7 ms at %8 bit/s\n")
                   .arg(QString::fromLatin1(cmd)).arg(rounds)
                   .arg(ms.first(), 0, 'f', 2).arg(ms[ms.size() / 2], 0, 'f', 2)
                   .arg(ms.last(), 0, 'f', 2).arg(wireBytes)
                   .arg(wireBytes * DW_LINE_BITS_PER_BYTE * 1000.0 / DW_LINE_BAUD, 0, 'f', 2)
                   .arg(DW_LINE_BAUD);
    }
    return 0;
}
