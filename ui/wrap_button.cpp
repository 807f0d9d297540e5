// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/wrap_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
constexpr int captionFlags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
}

WrapButton::WrapButton(QWidget *parent)
    : QPushButton(parent)
{
    setAutoDefault(false);
    setDefault(false);
}

bool WrapButton::fitsIn(const QRect &area) const
{
    return area.contains(fontMetrics().boundingRect(area, captionFlags, text()));
}

QRect WrapButton::captionRect() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return captionRect(option);
}

QRect WrapButton::captionRect(const QStyleOptionButton &option) const
{
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    return fitsIn(area) ? area : rect().adjusted(2, 2, -2, -2);
}

bool WrapButton::captionFits() const
{
    return fitsIn(captionRect());
}

void WrapButton::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect area = captionRect(option);
    option.text.clear();
    // A checkable button (Lock) shows its state by its caption alone, never
    // latched down.
    option.state &= ~QStyle::State_On;
    p.drawControl(QStyle::CE_PushButton, option);
    p.drawItemText(area, captionFlags, palette(), isEnabled(), text(), QPalette::ButtonText);
}
