#pragma once

#include <QIcon>

// Daywheel's own icon: a small dial with a lit quarter, drawn at 16 and 32 px.
QIcon daywheelIcon();
