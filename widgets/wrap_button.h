#pragma once

#include <QPushButton>

// A push button whose caption wraps onto more lines when it is too wide, as
// the narrow buttons beside the dial need ("Clear All", "un- lock").
class WrapButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *) override;
};
