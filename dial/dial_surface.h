// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <optional>

class QPainter;

namespace DialColours {
inline const QColor on{0, 255, 0};
inline const QColor lightOff{255, 0, 0};
inline const QColor background{192, 192, 255};   // also the colour of an off segment
inline const QColor foreground{0, 0, 0};
inline const QColor night{40, 40, 120};   // the inner edge of the band where it is dark
}

// Where the day shown is dark: before lightFrom and from darkFrom on, in
// seconds after midnight (either may lie outside the day).
struct NightBand
{
    int lightFrom = 0;
    int darkFrom = 0;
    bool operator==(const NightBand &) const = default;
};

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
    // segments, the two rings and the ticks. Returns the entries it draws
    // (0..95; entry 96 is the same quarter hour as 0). The drawing is done
    // when the picture is next looked at or drawn on, in the order asked
    // for: a window that draws the dial as it is shown has it drawn at its
    // first paint, after it is on the screen. With night, the band's inner
    // edge is dark where the day is, through midnight.
    SlotRun paintDial(const DayTable &day, bool lightOn, std::optional<NightBand> night = std::nullopt);
    void paintHand(QPointF end);

    const QImage &image() const;
    QColor colourAtUnits(QPointF units) const;

private:
    struct DialRequest
    {
        DayTable day;
        bool lightOn;
        std::optional<NightBand> night;
    };
    void drawDial(const DialRequest &request) const;
    static void drawNight(QPainter &painter, NightBand night);
    void drawRings() const;
    void drawAskedFor() const;

    // The retained drawing and what is still to be drawn on it are one
    // state: looking at the picture draws what was asked for first.
    mutable QImage picture;
    mutable std::optional<DialRequest> askedFor;
    // The rings and ticks, which never change, drawn once for a size and scale.
    mutable QImage rings;
};

// "Time: HH:MM:SS, dddd, mmmm dd, yyyy" as the caption under the dial shows it.
QString dialCaption(const QDateTime &now, const QLocale &locale = QLocale());
