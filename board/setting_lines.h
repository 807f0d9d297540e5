// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/week_settings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

// The lines that give a board the dark, the place, away and the light
// (DW_CMD_PLACE, DW_CMD_DARK, DW_CMD_AWAY, DW_CMD_LIGHT), each + LF, and how
// its answers read. Each setting's question is its letter (and weekday)
// alone; the answer is the line that sets what the board holds.

// Whether the greeting says the board knows them (DW_GREETING_SUN).
bool boardKnowsSun(QByteArrayView greeting);

QByteArray placeLine(const std::optional<Place> &place);       // "g+52.50 +13.37", "g none"
QByteArray darkLine(int weekday, const std::optional<DarkSetting> &dark);   // "d1s +0 +0", "d1n"
QByteArray awayLine(const std::optional<AwaySetting> &away);   // "v30 2026-12-20 2027-01-06", "v0"

// What a week's settings send: the place when it has one, every weekday's
// dark line and away's line; and the questions that read them back, in the
// same order (each answer, line end cut, equals its line). Nothing for
// empty settings: a week that never had them sends what it sent before.
QList<QByteArray> settingLines(const WeekSettings &settings);
QList<QByteArray> settingQuestions(const WeekSettings &settings);

// The place in an answer to the place's question: none for DW_PLACE_NONE;
// nothing at all when the answer is no such line.
std::optional<std::optional<Place>> readPlace(QByteArrayView answer);
// "52.50 13.37", "-33.87 151.21": as daywheel-ctl takes and prints them.
QByteArray placeText(const Place &place);
// Decimal degrees with up to two decimals ("52.5", "-33.87", "151.21");
// nothing when malformed or out of range (latitude -90..90, longitude
// -180..180).
std::optional<Place> parsePlace(QByteArrayView latitude, QByteArrayView longitude);

// The light by hand.
struct LightRequest
{
    enum class State { On, Off, Auto };
    State state = State::Auto;
    int seconds = 0;     // for that long; 0: until the automatic light changes
    bool held = false;   // until DW_LIGHT_AUTO_ARG
};
QByteArray lightLine(const LightRequest &request);
// "90m", "2h", "1h30m": seconds; nothing when malformed or outside
// 1 minute to DW_LIGHT_FOR_MAX.
std::optional<int> parseDuration(QByteArrayView text);
