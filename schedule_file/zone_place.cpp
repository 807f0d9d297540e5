// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule_file/zone_place.h"

#include "schedule_file/file_access.h"

#include <QDir>

namespace {
// The tables' rows are well under 200 bytes; a longer one is no row of theirs.
constexpr qsizetype longestZoneRow = 400;

// One part of an ISO 6709 point: sign, then degreesDigits digits of degrees,
// two of minutes and, when withSeconds, two of seconds; in hundredths of a
// degree, rounded, or none when malformed or beyond maxDegrees.
std::optional<int> zoneAngle(QByteArrayView text, int degreesDigits, bool withSeconds, int maxDegrees)
{
    if (text.size() != 1 + degreesDigits + (withSeconds ? 4 : 2) || (text[0] != '+' && text[0] != '-'))
        return std::nullopt;
    int at = 1;
    const auto digits = [&](int count) -> std::optional<int> {
        int n = 0;
        for (int i = 0; i < count; ++i, ++at) {
            if (text[at] < '0' || text[at] > '9')
                return std::nullopt;
            n = n * 10 + (text[at] - '0');
        }
        return n;
    };
    const std::optional<int> degrees = digits(degreesDigits), minutes = digits(2);
    const std::optional<int> seconds = withSeconds ? digits(2) : 0;
    if (!degrees || !minutes || !seconds || *minutes > 59 || *seconds > 59)
        return std::nullopt;
    const int total = *degrees * 3600 + *minutes * 60 + *seconds;
    if (total > maxDegrees * 3600)
        return std::nullopt;
    const int hundredths = (total + 18) / 36;   // 36 s of arc to a hundredth, half up
    return text[0] == '-' ? -hundredths : hundredths;
}

// "+DDMM+DDDMM" or "+DDMMSS+DDDMMSS".
std::optional<Place> zonePoint(QByteArrayView text)
{
    const bool withSeconds = text.size() == 15;
    if (!withSeconds && text.size() != 11)
        return std::nullopt;
    const qsizetype split = withSeconds ? 7 : 5;
    const std::optional<int> latitude = zoneAngle(text.first(split), 2, withSeconds, 90);
    const std::optional<int> longitude = zoneAngle(text.sliced(split), 3, withSeconds, 180);
    if (!latitude || !longitude)
        return std::nullopt;
    return Place{*latitude, *longitude};
}

// The point of a row "country<TAB>point<TAB>zone[<TAB>comment]" for zoneId.
std::optional<Place> rowPlace(QByteArrayView row, const QByteArray &zoneId)
{
    if (row.startsWith('#'))
        return std::nullopt;
    const qsizetype first = row.indexOf('\t');
    const qsizetype second = first < 0 ? -1 : row.indexOf('\t', first + 1);
    if (second < 0)
        return std::nullopt;
    const qsizetype third = row.indexOf('\t', second + 1);
    const QByteArrayView zone = row.sliced(second + 1, (third < 0 ? row.size() : third) - second - 1);
    if (zone != zoneId)
        return std::nullopt;
    return zonePoint(row.sliced(first + 1, second - first - 1));
}

std::optional<Place> tablePlace(const QString &path, const QByteArray &zoneId)
{
    std::optional<Place> found;
    QByteArray row;
    bool overlong = false;
    const auto endRow = [&] {
        if (!overlong && !found)
            found = rowPlace(row, zoneId);
        row.clear();
        overlong = false;
    };
    // Stops at the row, or after the bound of bytes readScheduleFile keeps to.
    const FileResult read = readScheduleFile(path, [&](QByteArrayView piece) {
        for (char c : piece) {
            if (c == '\n' || c == '\r')
                endRow();
            else if (row.size() >= longestZoneRow)
                overlong = true;
            else
                row.append(c);
        }
        return !found;
    });
    if (read.ok())
        endRow();
    return found;
}
}

std::optional<Place> zonePlace(const QByteArray &zoneId, const QString &folder)
{
    if (zoneId.isEmpty())
        return std::nullopt;
    for (const QString &table : {QStringLiteral("zone.tab"), QStringLiteral("zone1970.tab")}) {
        if (const std::optional<Place> place = tablePlace(QDir(folder).filePath(table), zoneId))
            return place;
    }
    return std::nullopt;
}
