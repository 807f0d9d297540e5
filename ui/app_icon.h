// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>

// Daywheel's own icon: a small dial with a lit quarter.
// The sizes the program carries and the desktop files install.
inline constexpr int daywheelIconSizes[] = {16, 32, 48};

// One size drawn onto an image, so it needs no display (the build draws the
// installed PNGs with it).
QImage daywheelIconImage(int size);

QIcon daywheelIcon();
