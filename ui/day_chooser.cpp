// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/day_chooser.h"

#include "dial/dial_surface.h"
#include "schedule/week.h"

#include "schedule/clock_source.h"

#include <QDate>
#include <QInputEvent>
#include <QHBoxLayout>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QColor ringOff(150, 150, 220);
const QColor chosenBack(255, 255, 255, 170);
const QColor differsMark(255, 140, 0);

unsigned daysFrom(int first, int last)
{
    unsigned days = 0;
    for (int d = first; d <= last; ++d)
        days |= 1u << (d - 1);
    return days;
}
}

DayRing::DayRing(int weekday, QWidget *parent) : QAbstractButton(parent), day(weekday)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setText(QLocale().dayName(weekday, QLocale::ShortFormat));
    setAccessibleName(QLocale().dayName(weekday, QLocale::LongFormat));
    setToolTip(tr("Click: edit this day. Ctrl+click: add it or take it away. Shift+click: copy the day shown onto it."));
}

void DayRing::setDiffers(bool d)
{
    if (d == differs)
        return;
    differs = d;
    setAccessibleDescription(d ? tr("differs from the day shown") : QString());
    update();
}

void DayRing::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
    if (isChecked()) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(chosenBack);
        p.drawRoundedRect(box, 4, 4);
    }
    // The day's 96 quarter hours as the dial draws them: midnight at the
    // right, 06:00 at the bottom, going round clockwise.
    const qreal thickness = box.width() / 8;
    const QRectF ring = box.adjusted(thickness, thickness, -thickness, -thickness);
    for (int slot = 1; slot <= 96 && week; ++slot) {
        p.setPen(QPen(week->day(day).isOn(slot) ? DialColours::on : ringOff, thickness, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(ring, -(slot - 1) * 60, -60);
    }
    QFont small = font();
    small.setPixelSize(qMax(8, height() / 4));
    small.setBold(day == ClockSource::now().date().dayOfWeek());
    p.setFont(small);
    p.setPen(Qt::black);
    p.drawText(box, Qt::AlignCenter, text());
    if (differs) {
        p.setPen(Qt::NoPen);
        p.setBrush(differsMark);
        p.drawEllipse(QRectF(box.right() - 9, box.top() + 1, 8, 8));
    }
    if (hasFocus()) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box.adjusted(1, 1, -1, -1));
    }
}

DayChooser::DayChooser(QWidget *parent) : QWidget(parent) {}

void DayChooser::build()
{
    if (rings[0])
        return;
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(2);
    auto *ringRow = new QHBoxLayout;
    ringRow->setSpacing(2);
    for (int d = 1; d <= 7; ++d) {
        DayRing *ring = rings[std::size_t(d - 1)] = new DayRing(d, this);
        ring->setObjectName(QStringLiteral("dayRing%1").arg(d));
        ringRow->addWidget(ring);
        ring->installEventFilter(this);
        connect(ring, &QAbstractButton::clicked, this, [this, d] { clicked(1u << (d - 1), true); });
    }
    rows->addLayout(ringRow);
    auto *groupRow = new QHBoxLayout;
    const QLocale locale;
    const auto group = [&](const QString &name, const QString &spoken, unsigned days) {
        auto *b = new QPushButton(name, this);
        b->setAccessibleName(spoken);
        b->setToolTip(tr("Click: edit these days. Shift+click: copy the day shown onto them."));
        groupRow->addWidget(b);
        b->installEventFilter(this);
        connect(b, &QPushButton::clicked, this, [this, days] { clicked(days, false); });
        return b;
    };
    workdays = group(locale.dayName(1, QLocale::ShortFormat) + u'-' + locale.dayName(5, QLocale::ShortFormat),
                     tr("Monday to Friday"), daysFrom(1, 5));
    weekend = group(locale.dayName(6, QLocale::ShortFormat) + u'-' + locale.dayName(7, QLocale::ShortFormat),
                    tr("Saturday and Sunday"), daysFrom(6, 7));
    wholeWeek = group(tr("Every day"), tr("Every day"), everyDay);
    workdays->setObjectName(QStringLiteral("workdaysButton"));
    weekend->setObjectName(QStringLiteral("weekendButton"));
    wholeWeek->setObjectName(QStringLiteral("wholeWeekButton"));
    rows->addLayout(groupRow);
    for (QWidget *child : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        child->show();
    choose(chosenDays);
    setWeek(week);
}

void DayChooser::setWeek(const Week *w)
{
    week = w;
    for (DayRing *ring : rings)
        if (ring)
            ring->setWeek(w);
    refresh();
}

int DayChooser::shown() const
{
    for (int d = 1; d <= 7; ++d)
        if (isChosen(d))
            return d;
    return 1;
}

void DayChooser::choose(unsigned days)
{
    days &= everyDay;
    if (days == 0)
        days = 1u << (shown() - 1);   // one day stays chosen: the dial shows it
    chosenDays = days;
    for (DayRing *ring : rings)
        if (ring)
            ring->setChecked(isChosen(ring->weekday()));
    refresh();
    emit chosenChanged();
}

bool DayChooser::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        clickKeys = static_cast<QInputEvent *>(event)->modifiers();
        break;
    default:
        break;
    }
    return false;
}

void DayChooser::clicked(unsigned days, bool single)
{
    const Qt::KeyboardModifiers keys = clickKeys;
    if (keys & Qt::ShiftModifier) {
        for (DayRing *ring : rings)
            ring->setChecked(isChosen(ring->weekday()));   // a copy chooses nothing
        emit copyRequested(days & ~(1u << (shown() - 1)));
        return;
    }
    if (single && (keys & Qt::ControlModifier))
        choose(chosenDays ^ days);
    else
        choose(days);
}

void DayChooser::refresh()
{
    if (!rings[0])
        return;
    for (DayRing *ring : rings) {
        const int d = ring->weekday();
        ring->setDiffers(week && isChosen(d) && !(week->day(d) == week->day(shown())));
        ring->update();
    }
}
