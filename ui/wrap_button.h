// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>

class QStyleOptionButton;

// A push button whose caption wraps onto more lines when it is too wide, as
// the narrow buttons beside the dial need ("Clear All", "un- lock").
class WrapButton : public QPushButton
{
    Q_OBJECT
public:
    // Never a default button: Enter in a text box must not press it by accident.
    explicit WrapButton(QWidget *parent = nullptr);

    // Where the caption is drawn: the style's content area, or nearly the
    // whole button when the style's padding leaves the caption too little room.
    QRect captionRect() const;

    // Whether the whole caption, wrapped, lies inside captionRect().
    bool captionFits() const;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QRect captionRect(const QStyleOptionButton &option) const;
    bool fitsIn(const QRect &area) const;
};
