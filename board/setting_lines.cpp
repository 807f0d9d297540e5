// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/setting_lines.h"

#include "board/wire_format.h"
#include "protocol/daywheel_protocol.h"

#include <QRegularExpression>

namespace {
// Hundredths with two decimals, sign as asked: "+52.50", "-3.70", "13.37".
QByteArray hundredths(int v, bool signAlways)
{
    const QByteArray digits = QByteArray::number(std::abs(v) / 100) + '.'
                              + QByteArray::number(std::abs(v) % 100).rightJustified(2, '0');
    return (v < 0 ? "-" : signAlways ? "+" : "") + digits;
}

QByteArray signedNumber(int v)
{
    return (v < 0 ? "-" : "+") + QByteArray::number(std::abs(v));
}

const char *const dateFormat = "yyyy-MM-dd";

std::optional<int> readHundredths(QByteArrayView text, int limit)
{
    static const QRegularExpression number(QStringLiteral("^([-+]?)(\\d{1,3})(?:\\.(\\d{1,2}))?$"));
    const QRegularExpressionMatch m = number.match(QString::fromLatin1(text));
    if (!m.hasMatch())
        return std::nullopt;
    const int v = m.captured(2).toInt() * 100 + m.captured(3).leftJustified(2, u'0').toInt();
    if (v > limit)
        return std::nullopt;
    return m.captured(1) == u"-" ? -v : v;
}
}

bool boardKnowsSun(QByteArrayView greeting)
{
    return withoutLineEnd(greeting.toByteArray()).split(',').contains(QByteArray(DW_GREETING_SUN).mid(1));
}

QByteArray placeLine(const std::optional<Place> &place)
{
    if (!place)
        return QByteArray(1, DW_CMD_PLACE) + DW_PLACE_NONE + '\n';
    return DW_CMD_PLACE + hundredths(place->latitude, true) + ' ' + hundredths(place->longitude, true) + '\n';
}

QByteArray darkLine(int weekday, const std::optional<DarkSetting> &dark)
{
    QByteArray line = QByteArray(1, DW_CMD_DARK) + char('0' + weekday);
    if (!dark)
        return line + DW_DARK_NONE + '\n';
    return line + (dark->twilight == DarkSetting::Twilight::Civil ? DW_DARK_CIVIL : DW_DARK_SUNSET) + ' '
           + signedNumber(dark->duskMinutes) + ' ' + signedNumber(dark->dawnMinutes) + '\n';
}

QByteArray awayLine(const std::optional<AwaySetting> &away)
{
    QByteArray line = QByteArray(1, DW_CMD_AWAY) + QByteArray::number(away ? away->minutes : 0);
    if (away && away->first && away->last)
        line += ' ' + away->first->toString(QLatin1String(dateFormat)).toLatin1() + ' '
                + away->last->toString(QLatin1String(dateFormat)).toLatin1();
    return line + '\n';
}

QList<QByteArray> settingLines(const WeekSettings &settings)
{
    if (settings.empty())
        return {};
    QList<QByteArray> lines;
    if (settings.place)
        lines << placeLine(settings.place);
    for (int weekday = 1; weekday <= int(settings.dark.size()); ++weekday)
        lines << darkLine(weekday, settings.dark[std::size_t(weekday - 1)]);
    return lines << awayLine(settings.away);
}

QList<QByteArray> settingQuestions(const WeekSettings &settings)
{
    QList<QByteArray> questions;
    for (const QByteArray &line : settingLines(settings))
        questions << line.left(line[0] == DW_CMD_DARK ? 2 : 1) + '\n';
    return questions;
}

std::optional<std::optional<Place>> readPlace(QByteArrayView answer)
{
    const QByteArray line = withoutLineEnd(answer.toByteArray());
    if (line == QByteArray(1, DW_CMD_PLACE) + DW_PLACE_NONE)
        return std::optional<Place>();
    const QList<QByteArray> parts = line.mid(1).split(' ');
    if (!line.startsWith(DW_CMD_PLACE) || parts.size() != 2)
        return std::nullopt;
    const std::optional<Place> place = parsePlace(parts[0], parts[1]);
    if (!place)
        return std::nullopt;
    return place;
}

QByteArray placeText(const Place &place)
{
    return hundredths(place.latitude, false) + ' ' + hundredths(place.longitude, false);
}

std::optional<Place> parsePlace(QByteArrayView latitude, QByteArrayView longitude)
{
    const std::optional<int> lat = readHundredths(latitude, 9000), lon = readHundredths(longitude, 18000);
    if (!lat || !lon)
        return std::nullopt;
    return Place{*lat, *lon};
}

QByteArray lightLine(const LightRequest &r)
{
    using State = LightRequest::State;
    QByteArray line(1, DW_CMD_LIGHT);
    if (r.state == State::Auto)
        return line + DW_LIGHT_AUTO_ARG + '\n';
    line += r.state == State::On ? '1' : '0';
    if (r.held)
        line += DW_LIGHT_HELD_ARG;
    else if (r.seconds)
        line += " +" + QByteArray::number(r.seconds);
    return line + '\n';
}

std::optional<int> parseDuration(QByteArrayView text)
{
    static const QRegularExpression duration(QStringLiteral("^(?:(\\d{1,3})h)?(?:(\\d{1,5})m)?$"));
    const QRegularExpressionMatch m = duration.match(QString::fromLatin1(text));
    if (text.isEmpty() || !m.hasMatch())
        return std::nullopt;
    const qint64 seconds = m.captured(1).toLongLong() * 3600 + m.captured(2).toLongLong() * 60;
    if (seconds < 60 || seconds > qint64(DW_LIGHT_FOR_MAX))
        return std::nullopt;
    return int(seconds);
}
