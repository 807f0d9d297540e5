// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one full redraw of the dial, as the clock does every second.
// Run by hand: build/tests/dial/bench_display [-callgrind]
#include "ui/main_window.h"
#include "ui/workspace.h"
#include "dial/dial_surface.h"

#include <QTest>

class BenchDisplay : public QObject
{
    Q_OBJECT
private slots:
    void paintDialOnly()
    {
        DialSurface surface;
        surface.resize(QSize(361, 449));
        DayTable day;
        for (int i = 0; i < 96; i += 2)
            day.set(i, 1);
        QBENCHMARK {
            surface.paintDial(day, true);
        }
    }

    void displayCall()
    {
        Workspace workspace;
        MainWindow form(workspace);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QBENCHMARK {
            form.display();
        }
    }
};

QTEST_MAIN(BenchDisplay)
#include "bench_display.moc"
