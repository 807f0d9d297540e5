// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>

#include <array>
#include <optional>

// Where the board stands: hundredths of a degree, north and east positive
// (latitude -9000..9000, longitude -18000..18000), as the file and the wire
// write them with two decimals.
struct Place
{
    int latitude = 0;
    int longitude = 0;
    bool operator==(const Place &) const = default;
};

// "Only while it is dark" for one weekday: where the day's program says
// on, the light is on only while the sun is below the chosen twilight,
// each edge moved by its own minutes (-120..120, positive later).
struct DarkSetting
{
    enum class Twilight { Sunset, Civil };
    static constexpr int maxShift = 120;
    Twilight twilight = Twilight::Sunset;
    int duskMinutes = 0;
    int dawnMinutes = 0;
    bool operator==(const DarkSetting &) const = default;
};

// Away: every edge of the program moves each day by up to minutes (1..60),
// from first to last, both included (none: open on that side).
struct AwaySetting
{
    static constexpr int maxMinutes = 60;
    int minutes = 30;
    std::optional<QDate> first;
    std::optional<QDate> last;
    bool operator==(const AwaySetting &) const = default;
};

// What the board applies on top of the week's programs. Empty for a user
// who never touched them: then files and wire bytes are as without them.
struct WeekSettings
{
    std::optional<Place> place;
    std::array<std::optional<DarkSetting>, 7> dark{};   // Monday first
    std::optional<AwaySetting> away;

    bool empty() const { return !place && !away && dark == decltype(dark){}; }
    bool operator==(const WeekSettings &) const = default;
};
