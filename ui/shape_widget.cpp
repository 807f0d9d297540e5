// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/shape_widget.h"

#include <QPainter>

ShapeWidget::ShapeWidget(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeWidget::setShape(Shape s)
{
    shape = s;
    update();
}

void ShapeWidget::setFill(const QColor &colour)
{
    fillColour = colour;
    update();
}

void ShapeWidget::setBorder(const QColor &colour, int widthPixels)
{
    borderColour = colour;
    borderWidth = widthPixels;
    update();
}

void ShapeWidget::setBorderShown(bool shown)
{
    showBorder = shown;
    update();
}

void ShapeWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, shape == Shape::Disc);
    if (showBorder) {
        QPen pen(borderColour, borderWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
    } else {
        p.setPen(Qt::NoPen);
    }
    p.setBrush(fillColour.isValid() ? QBrush(fillColour) : QBrush(Qt::NoBrush));

    // Keep the border inside the widget: inset by half the pen.
    const qreal inset = showBorder ? borderWidth / 2.0 : 0.0;
    QRectF r = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    if (shape == Shape::Disc) {
        const qreal d = qMin(r.width(), r.height());
        r = QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
        p.drawEllipse(r);
    } else {
        p.drawRect(r);
    }
}
