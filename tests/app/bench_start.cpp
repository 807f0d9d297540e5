// SPDX-License-Identifier: GPL-3.0-or-later
// Time from process start to the main window mapped on an X server, beside
// an empty Qt window of the same size started the same way, in pairs on one
// private Xvfb. Not part of ctest: it reports, it does not judge.
//   bench_start [PAIRS [PROGRAM]]    (5 pairs at least, 9 by default;
//   PROGRAM instead of the daywheel of this build)
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QTemporaryFile>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {
struct Mapped
{
    double ms = -1;   // negative: no window within the bound
    int width = 0, height = 0;
};

// Starts Xvfb on a free display and returns its name, or "" after 10 s.
QByteArray startXvfb(QProcess &xvfb)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    xvfb.setChildProcessModifier([fds] { ::close(fds[0]); });
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QString::number(fds[1]),
                                        QStringLiteral("-screen"), QStringLiteral("0"),
                                        QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                        QStringLiteral("tcp")});
    ::close(fds[1]);
    char number[16] = {};
    pollfd p{fds[0], POLLIN, 0};
    const bool said = ::poll(&p, 1, 10000) > 0 && ::read(fds[0], number, sizeof number - 1) > 0;
    ::close(fds[0]);
    return said ? ":" + QByteArray(number).trimmed() : QByteArray();
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Starts `program` and waits, on the root window's events, for its first
// top-level window to be mapped (10 s at most). The process is ended then.
Mapped timeToMap(xcb_connection_t *x, const QString &program, const QStringList &arguments)
{
    Mapped result;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    const int fd = xcb_get_file_descriptor(x);
    while (clock.elapsed() < 10000 && result.ms < 0) {
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 50);
        while (xcb_generic_event_t *event = xcb_poll_for_event(x)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY && result.ms < 0) {
                result.ms = clock.nsecsElapsed() / 1e6;
                const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (auto *g = xcb_get_geometry_reply(x, xcb_get_geometry(x, map->window), nullptr)) {
                    result.width = g->width;
                    result.height = g->height;
                    free(g);
                }
            }
            free(event);
        }
    }
    process.kill();
    process.waitForFinished(5000);
    return result;
}
}

int main(int argc, char *argv[])
{
    QTextStream out(stdout);
    const int pairs = std::max(5, argc > 1 ? atoi(argv[1]) : 9);
    const QString program = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(DAYWHEEL_EXE);

    // A private X server; -displayfd tells us its number once it listens.
    // Another server starting at the same time may take that number from
    // it, so a server that cannot be reached is started again.
    QProcess xvfb;
    xcb_connection_t *x = nullptr;
    for (int tries = 0; tries < 5 && (!x || xcb_connection_has_error(x)); ++tries) {
        if (x)
            xcb_disconnect(x);
        xvfb.kill();
        xvfb.waitForFinished(5000);
        const QByteArray display = startXvfb(xvfb);
        x = xcb_connect(display.constData(), nullptr);
        qputenv("DISPLAY", display);
    }
    if (xcb_connection_has_error(x)) {
        out << "error: no X server\n";
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    // Once unmeasured, so that both start from a warm file cache.
    const Mapped first = timeToMap(x, program, {});
    if (first.ms < 0) {
        out << "error: no daywheel window within 10 s\n";
        return 1;
    }
    const QStringList size{QString::number(first.width), QString::number(first.height)};
    timeToMap(x, QStringLiteral(BARE_WINDOW_EXE), size);

    QList<double> daywheel, bare;
    for (int i = 0; i < pairs; ++i) {
        const Mapped d = timeToMap(x, program, {});
        const Mapped b = timeToMap(x, QStringLiteral(BARE_WINDOW_EXE), size);
        if (d.ms < 0 || b.ms < 0) {
            out << "error: a window did not map in pair " << i << "\n";
            return 1;
        }
        daywheel << d.ms;
        bare << b.ms;
    }
    xcb_disconnect(x);
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    out << Qt::fixed << qSetRealNumberPrecision(1) << "window " << first.width << "x" << first.height
        << ", median of " << pairs << " pairs: daywheel " << median(daywheel) << " ms, bare window "
        << median(bare) << " ms, ratio " << qSetRealNumberPrecision(2)
        << median(daywheel) / median(bare) << "\n";
    return 0;
}
