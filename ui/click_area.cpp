// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/click_area.h"

#include "ui/focus_frame.h"

#include <QMouseEvent>

namespace {
// QAbstractButton answers the left button only; a swatch answers any, as
// the dial beside it does. Hands it the event as if the left button did it.
QMouseEvent asLeftButton(const QMouseEvent *event)
{
    return QMouseEvent(event->type(), event->position(), event->scenePosition(),
                       event->globalPosition(),
                       event->button() == Qt::NoButton ? Qt::NoButton : Qt::LeftButton,
                       event->buttons() ? Qt::LeftButton : Qt::NoButton, event->modifiers(),
                       event->pointingDevice());
}
}

ClickArea::ClickArea(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

// Presses and releases end here, even a release outside: it must not reach
// the window below as a release on the dial.
void ClickArea::mousePressEvent(QMouseEvent *event)
{
    QMouseEvent left = asLeftButton(event);
    QAbstractButton::mousePressEvent(&left);
    event->accept();
}

void ClickArea::mouseMoveEvent(QMouseEvent *event)
{
    QMouseEvent left = asLeftButton(event);
    QAbstractButton::mouseMoveEvent(&left);
    event->setAccepted(left.isAccepted());
}

void ClickArea::mouseReleaseEvent(QMouseEvent *event)
{
    QMouseEvent left = asLeftButton(event);
    QAbstractButton::mouseReleaseEvent(&left);
    event->accept();
}

void ClickArea::paintEvent(QPaintEvent *)
{
    paintFocusFrame(this);
}
