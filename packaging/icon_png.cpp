// SPDX-License-Identifier: GPL-3.0-or-later
// Build-time helper: draws the program's own icon at one size into a PNG for
// the icon theme folders. Draws onto an image, so it runs without a display.
#include "ui/app_icon.h"

#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: daywheel-icon-png SIZE FILE.png\n");
        return 2;
    }
    bool ok = false;
    const int size = QString::fromLocal8Bit(argv[1]).toInt(&ok);
    if (!ok || size < 1) {
        std::fprintf(stderr, "daywheel-icon-png: bad size %s\n", argv[1]);
        return 2;
    }
    if (!daywheelIconImage(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "daywheel-icon-png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
