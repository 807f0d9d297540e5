// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/interface_font.h"

#include <QApplication>
#include <QFontDatabase>

namespace {
const QString family = QStringLiteral("Liberation Sans Narrow");
}

QFont interfaceFont()
{
    // Without the font installed, the platform's family at the same size is
    // the closest the program can do; some captions may then be cut.
    QFont font = QFontDatabase::hasFamily(family) ? QFont(family) : QApplication::font();
    font.setPointSize(8);
    // Every property its own, so nothing of another font (a desktop's bold
    // or wider one) mixes in where a window uses it.
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

void useInterfaceFont()
{
    QApplication::setFont(interfaceFont());
}
