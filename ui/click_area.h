// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>

// A transparent button laid over a swatch: it paints nothing and clicks when
// a press is released inside it, with any mouse button, or from the keyboard
// and accessibility tools as any button does. It takes the focus only from
// the keyboard, when its layout row gives it a place in the tab chain, and
// then shows a focus frame.
class ClickArea : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ClickArea(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
