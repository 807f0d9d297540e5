// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/week_settings.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The place of a time zone's own row in the host's time-zone database:
// zone.tab first, then zone1970.tab, in folder. None for a zone without a
// row of its own (UTC, Etc/*, a link), or when neither table can be read.
// Reads at most a bounded number of bytes of each table.
std::optional<Place> zonePlace(const QByteArray &zoneId,
                               const QString &folder = QStringLiteral("/usr/share/zoneinfo"));
