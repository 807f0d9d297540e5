// SPDX-License-Identifier: GPL-3.0-or-later
// Prints where everything is, for the acceptance run: each window's controls
// in pixels from the windows' own layout tables, and the middle of each
// quarter hour's segment on the dial ("ring K X Y", K = 1..96), clear of the
// ticks and the clock hand.
#include "ui/main_window.h"
#include "ui/controller_window.h"
#include "dial/dial_geometry.h"
#include "ui/file_window.h"

#include <cstdio>

int main()
{
    QString text;
    for (const WindowLayout *layout : {&MainWindow::layout(), &FileWindow::layout(), &ControllerWindow::layout()})
        text += layoutListing(*layout);
    for (int k = 1; k <= 96; ++k) {
        const QPointF px = DialGeometry::pixelsFromUnits(DialGeometry::point(DialGeometry::segmentAngle(k), 6.3));
        text += QStringLiteral("ring %1 %2 %3\n").arg(k).arg(int(px.x())).arg(int(px.y()));
    }
    std::fputs(text.toUtf8().constData(), stdout);
    return 0;
}
