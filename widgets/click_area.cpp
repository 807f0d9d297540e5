#include "widgets/click_area.h"

#include <QMouseEvent>

void ClickArea::mousePressEvent(QMouseEvent *event)
{
    pressed = true;
    event->accept();
}

void ClickArea::mouseReleaseEvent(QMouseEvent *event)
{
    const bool inside = rect().contains(event->position().toPoint());
    if (pressed && inside)
        emit clicked();
    pressed = false;
    event->accept();
}
