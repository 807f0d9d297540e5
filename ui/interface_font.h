// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

// The one font of every window. The fixed layouts were drawn for an 8-point
// interface font narrow enough that each caption fits its box at 96 dpi;
// Liberation Sans Narrow is such a font (Debian's fonts-liberation).
QFont interfaceFont();

// Makes interfaceFont() the application's font; call before any window exists.
void useInterfaceFont();
