// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/clock_source.h"

namespace {
std::function<QDateTime()> &source()
{
    static std::function<QDateTime()> s;
    return s;
}
}

QDateTime ClockSource::now()
{
    return source() ? source()() : QDateTime::currentDateTime();
}

void ClockSource::set(std::function<QDateTime()> s)
{
    source() = std::move(s);
}
