// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <functional>

// The local clock that the live clock, the dial caption and the controller
// window's clock label read. Tests replace it to set the time of day and the date.
namespace ClockSource {
QDateTime now();
void set(std::function<QDateTime()> source);   // an empty function restores the system clock
}
