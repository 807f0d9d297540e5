// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/focus_frame.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QStyleOptionFocusRect>

void paintFocusFrame(QWidget *widget)
{
    if (!widget->hasFocus())
        return;
    QPainter painter(widget);
    QStyleOptionFocusRect option;
    option.initFrom(widget);
    option.backgroundColor = widget->palette().color(widget->backgroundRole());
    widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, widget);
}

FocusScrollBar::FocusScrollBar(QWidget *parent)
    : QScrollBar(Qt::Horizontal, parent)
{
    // A scroll bar inverts its keys and wheel so that Up moves a vertical one
    // up; on a horizontal one that made Right go left.
    setInvertedControls(false);
}

void FocusScrollBar::paintEvent(QPaintEvent *event)
{
    QScrollBar::paintEvent(event);
    paintFocusFrame(this);
}

namespace {
constexpr int ringWidth = 2;

bool showsNoFocus(const QWidget *w)
{
    return qobject_cast<const QAbstractScrollArea *>(w) || qobject_cast<const QComboBox *>(w);
}
}

FocusRing::FocusRing(QWidget *window)
    : QWidget(window)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { follow(now); });
}

void FocusRing::follow(QWidget *focused)
{
    // A list's viewport has the focus as the list; only the window's own controls count.
    if (!focused || focused->parentWidget() != parentWidget() || !showsNoFocus(focused)) {
        hide();
        return;
    }
    setGeometry(focused->geometry().adjusted(-ringWidth, -ringWidth, ringWidth, ringWidth));
    raise();
    show();
}

void FocusRing::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // Darker than a selection, so a ring round a log never reads as selected text.
    QPen pen(palette().color(QPalette::Highlight).darker(130), ringWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(QRectF(rect()).adjusted(ringWidth / 2.0, ringWidth / 2.0, -ringWidth / 2.0, -ringWidth / 2.0));
}
