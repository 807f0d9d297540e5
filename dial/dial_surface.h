// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QLocale>

class QPainter;

namespace DialColours {
inline const QColor on{0, 255, 0};
inline const QColor lightOff{255, 0, 0};
inline const QColor background{192, 192, 255};   // also the colour of an off segment
inline const QColor foreground{0, 0, 0};
}

// The retained drawing of the main window: the dial and the clock hands are
// painted onto it and never erased except by clear(), so a covered or hidden
// window comes back exactly as it was drawn.
class DialSurface
{
public:
    // size in device-independent pixels; the image holds size x ratio pixels.
    void resize(QSize size, qreal devicePixelRatio = 1.0);
    void clear();

    // Everything the dial shows apart from the caption: centre disc, 96
    // segments, the two rings and the ticks. Returns the entries it drew
    // (0..95; entry 96 is the same quarter hour as 0).
    SlotRun paintDial(const DayTable &table, bool lightOn);
    void paintHand(QPointF end);

    const QImage &image() const { return picture; }
    QColor colourAtUnits(QPointF units) const;

private:
    void beginUnits(QPainter &painter);
    QImage picture;
};

// "Time: HH:MM:SS, dddd, mmmm dd, yyyy" as the caption under the dial shows it.
QString dialCaption(const QDateTime &now, const QLocale &locale = QLocale());
