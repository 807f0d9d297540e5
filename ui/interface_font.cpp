// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/interface_font.h"

#include <QApplication>

QFont interfaceFont()
{
    // Without the font installed, the platform's sans-serif family at the
    // same size is the closest the program can do; some captions may then
    // be cut. Named rather than looked up, so that nothing here waits for
    // the system's font list.
    QFont font(QStringLiteral("Liberation Sans Narrow"), 8, QFont::Normal);
    font.setFamilies({font.family(), QStringLiteral("sans-serif")});
    font.setStyleHint(QFont::SansSerif);
    // Every property its own, so nothing of another font (a desktop's bold
    // or wider one) mixes in where a window uses it.
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

void useInterfaceFont()
{
    QApplication::setFont(interfaceFont());
}
