// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// A filled or outlined rectangle or disc lying on a window, like the swatches
// and the backdrop behind the navigation buttons.
class ShapeWidget : public QWidget
{
    Q_OBJECT
public:
    enum class Shape { Rectangle, Disc };

    explicit ShapeWidget(QWidget *parent = nullptr);   // a rectangle until setShape()

    void setShape(Shape shape);

    void setFill(const QColor &colour);   // an invalid colour means no fill
    void setBorder(const QColor &colour, int widthPixels);
    void setBorderShown(bool shown);
    bool borderShown() const { return showBorder; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    Shape shape = Shape::Rectangle;
    QColor fillColour;
    QColor borderColour = Qt::black;
    int borderWidth = 1;
    bool showBorder = true;
};
