// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick of bench_start: an empty Qt window of the given size and
// nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(argc > 2 ? atoi(argv[1]) : 640, argc > 2 ? atoi(argv[2]) : 480);
    window.show();
    return app.exec();
}
