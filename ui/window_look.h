// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// The windows have fixed colours (the lavender of the main window, the blue
// frames of the file window) and fixed layouts, so a desktop's dark colour
// scheme or its own font must not reach them: light text on the lavender is
// unreadable, and a wider font cuts the captions.

// The style's light palette with the window's background colour (the
// style's own when invalid); every role is pinned so a palette the desktop
// sets later leaves it alone.
QPalette fixedPalette(const QColor &background = QColor());

// Gives the window that palette and interfaceFont(), both its own.
void useFixedLook(QWidget *window, const QColor &background = QColor());
