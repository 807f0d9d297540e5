// SPDX-License-Identifier: GPL-3.0-or-later
// Time from process start to the main window mapped, beside an empty Qt
// window of the same size (this program with --bare W H) started the same
// way, in pairs. Not part of ctest: it reports, it does not judge.
//   xvfb-run -a build/tests/app/bench_start [PAIRS [PROGRAM]]
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <poll.h>
#include <xcb/xcb.h>

namespace {
// Starts the program and waits, on the root window's events, for its first
// top-level window to be mapped (10 s at most); returns the time (or -1) and
// that window's size.
double timeToMap(xcb_connection_t *x, const QString &program, const QStringList &arguments, QSize *size)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    double ms = -1;
    while (ms < 0 && clock.elapsed() < 10000) {
        pollfd p{xcb_get_file_descriptor(x), POLLIN, 0};
        ::poll(&p, 1, 50);
        while (xcb_generic_event_t *event = xcb_poll_for_event(x)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY && ms < 0) {
                ms = clock.nsecsElapsed() / 1e6;
                const auto window = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
                if (auto *g = xcb_get_geometry_reply(x, xcb_get_geometry(x, window), nullptr); g && size) {
                    *size = QSize(g->width, g->height);
                    free(g);
                }
            }
            free(event);
        }
    }
    process.kill();
    process.waitForFinished(5000);
    return ms;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
}

int main(int argc, char *argv[])
{
    if (argc == 4 && QByteArray(argv[1]) == "--bare") {
        QApplication app(argc, argv);
        QWidget window;
        window.resize(atoi(argv[2]), atoi(argv[3]));
        window.show();
        return app.exec();
    }
    const int pairs = std::max(5, argc > 1 ? atoi(argv[1]) : 9);
    const QString program = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(DAYWHEEL_EXE);
    xcb_connection_t *x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::puts("error: no X server (run it under xvfb-run -a)");
        return 1;
    }
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, xcb_setup_roots_iterator(xcb_get_setup(x)).data->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    // Once each unmeasured, so that both start from a warm file cache.
    QSize size;
    const QString self = QString::fromLocal8Bit(argv[0]);
    QStringList bare{QStringLiteral("--bare")};
    if (timeToMap(x, program, {}, &size) < 0)
        return std::puts("error: no window within 10 s"), 1;
    bare << QString::number(size.width()) << QString::number(size.height());
    timeToMap(x, self, bare, nullptr);
    QList<double> daywheel, empty;
    for (int i = 0; i < pairs; ++i) {
        daywheel << timeToMap(x, program, {}, nullptr);
        empty << timeToMap(x, self, bare, nullptr);
        if (daywheel.last() < 0 || empty.last() < 0)
            return std::puts("error: a window did not map"), 1;
    }
    std::printf("window %dx%d, median of %d pairs: daywheel %.1f ms, bare window %.1f ms, ratio %.2f\n",
                size.width(), size.height(), pairs, median(daywheel), median(empty),
                median(daywheel) / median(empty));
    return 0;
}
