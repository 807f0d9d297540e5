#include "widgets/wrap_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

void WrapButton::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);

    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    // Fall back to the whole button when the style's padding leaves too little room.
    const QRect textRect = fontMetrics().boundingRect(area, flags, caption).width() > area.width()
        ? rect().adjusted(2, 2, -2, -2)
        : area;
    p.drawItemText(textRect, flags, palette(), isEnabled(), caption, QPalette::ButtonText);
}
