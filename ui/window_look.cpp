// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_look.h"

#include "ui/interface_font.h"

#include <QApplication>
#include <QStyle>
#include <QWidget>

QPalette fixedPalette(const QColor &background)
{
    QPalette pal = QApplication::style()->standardPalette();
    // Qt 6.4's styles keep their light palette; should a style follow the
    // desktop's dark scheme instead, one made from a light grey takes its place.
    if (pal.color(QPalette::Window).lightness() < 128)
        pal = QPalette(QColor(239, 239, 239));
    if (background.isValid())
        pal.setColor(QPalette::Window, background);
    // Text on the fixed colours is black whatever the style's taste; the
    // disabled look stays the style's.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            pal.setColor(group, role, Qt::black);
        pal.setColor(group, QPalette::Base, Qt::white);
    }
    pal.setResolveMask(~QPalette::ResolveMask(0));
    return pal;
}

void useFixedLook(QWidget *window, const QColor &background)
{
    window->setPalette(fixedPalette(background));
    window->setFont(interfaceFont());
}
