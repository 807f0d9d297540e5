// SPDX-License-Identifier: GPL-3.0-or-later
// Prints where everything is, for the acceptance run: each window's controls
// in pixels from the windows' own forms, and the middle of each quarter
// hour's segment on the dial ("ring K X Y", K = 1..96), clear of the ticks
// and the clock hand.
#include "dial/dial_geometry.h"
#include "ui/form_listing.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    // The forms are set up, never shown: no display needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString text = formListing();
    for (int k = 1; k <= 96; ++k) {
        const QPointF px = DialGeometry::pixelsFromUnits(DialGeometry::point(DialGeometry::segmentAngle(k), 6.3));
        text += QStringLiteral("ring %1 %2 %3\n").arg(k).arg(int(px.x())).arg(int(px.y()));
    }
    std::fputs(text.toUtf8().constData(), stdout);
    return 0;
}
