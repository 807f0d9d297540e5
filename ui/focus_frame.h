// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollBar>

// The style's focus frame round the whole of widget, drawn while it has the
// keyboard focus, for controls whose style shows none of its own. Nothing is
// drawn without the focus, so an unfocused control looks as before.
void paintFocusFrame(QWidget *widget);

// A horizontal scroll bar whose arrow keys and wheel move it the way they
// point (Right and wheel up: a higher value), showing when it has the focus.
// The mouse on its arrows and trough works as on any scroll bar.
class FocusScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    explicit FocusScrollBar(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A ring drawn just outside whichever control of window has the focus, for
// the controls whose style shows no focus of their own (lists, drop-down
// lists, text logs). It lies outside the control, so the control itself
// looks the same with or without the focus.
class FocusRing : public QWidget
{
    Q_OBJECT
public:
    explicit FocusRing(QWidget *window);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void follow(QWidget *focused);
};
