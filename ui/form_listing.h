// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// "Window.control x y width height" in pixels for each control of the three
// windows, back to front, after a first line "Window - 0 0 width height" for
// the window itself: what automation reads to know where each control is.
// Read from the forms, each set up on a bare widget, so the places are the
// forms' own and there is no second copy of them.
QString formListing();
