// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dark_away_dialog.h"

#include "schedule/week.h"
#include "ui/window_look.h"
#include "ui_dark_away_dialog.h"

#include <QLocale>
#include <QPushButton>

#include <cmath>

namespace {
QString daysInWords(unsigned days)
{
    if (days == 0x7f)
        return DarkAwayDialog::tr("every day");
    QStringList names;
    for (int d = 1; d <= Week::days; ++d)
        if (days & (1u << (d - 1)))
            names << QLocale().dayName(d, QLocale::LongFormat);
    return names.join(QStringLiteral(", "));
}

// The spin boxes hold degrees; the place is kept in hundredths.
int hundredths(double degrees)
{
    return int(std::lround(degrees * 100));
}
}

DarkAwayDialog::DarkAwayDialog(QWidget *parent) : QDialog(parent), ui(new Ui::DarkAwayDialog)
{
    ui->setupUi(this);
    useFixedLook(this);
    for (QCheckBox *box : {ui->darkCheck, ui->awayCheck, ui->awayDatesCheck})
        connect(box, &QCheckBox::toggled, this, &DarkAwayDialog::enableParts);
    // First <= last always: moving one past the other takes the other along.
    connect(ui->awayFirstEdit, &QDateEdit::dateChanged, this, [this](QDate first) {
        if (ui->awayLastEdit->date() < first)
            ui->awayLastEdit->setDate(first);
    });
    connect(ui->awayLastEdit, &QDateEdit::dateChanged, this, [this](QDate last) {
        if (ui->awayFirstEdit->date() > last)
            ui->awayFirstEdit->setDate(last);
    });
}

DarkAwayDialog::~DarkAwayDialog() = default;

void DarkAwayDialog::load(const WeekSettings &settings, unsigned chosen, std::optional<Place> zonePlace,
                          const QString &zoneName, QDate today)
{
    days = chosen;
    int shown = 1;
    while (shown < Week::days && !(days & (1u << (shown - 1))))
        ++shown;
    ui->darkGroup->setTitle(tr("The days chosen: %1").arg(daysInWords(days)));
    loadedDark = settings.dark[std::size_t(shown - 1)];
    const DarkSetting dark = loadedDark.value_or(DarkSetting());
    ui->darkCheck->setChecked(loadedDark.has_value());
    ui->twilightCombo->setCurrentIndex(dark.twilight == DarkSetting::Twilight::Civil ? 1 : 0);
    ui->duskSpin->setValue(dark.duskMinutes);
    ui->dawnSpin->setValue(dark.dawnMinutes);
    bool differ = false;
    for (int d = 1; d <= Week::days; ++d)
        differ |= (days & (1u << (d - 1))) && settings.dark[std::size_t(d - 1)] != loadedDark;
    ui->darkNote->setText(differ ? tr("The chosen days differ: shown is %1. A change here applies to them all.")
                                           .arg(QLocale().dayName(shown, QLocale::LongFormat))
                                 : QString());
    ui->darkNote->setVisible(differ);

    placeFromZone = !settings.place && zonePlace;
    loadedPlace = settings.place.value_or(zonePlace.value_or(Place()));
    showPlace(loadedPlace);
    if (settings.place)
        ui->placeNote->clear();
    else if (zonePlace)
        ui->placeNote->setText(tr("The place of your time zone (%1).").arg(zoneName));
    else
        ui->placeNote->setText(tr("No place is known for your time zone (%1). Without one the board follows "
                                  "the plain program on the dark days.").arg(zoneName));
    ui->placeNote->setVisible(!ui->placeNote->text().isEmpty());

    const AwaySetting away = settings.away.value_or(AwaySetting());
    ui->awayCheck->setChecked(settings.away.has_value());
    ui->awayMinutesSpin->setValue(away.minutes);
    ui->awayDatesCheck->setChecked(away.first || away.last);
    // Dates in the usual order: the later first, so the earlier is not pushed.
    ui->awayLastEdit->setDate(away.last.value_or(today.addDays(14)));
    ui->awayFirstEdit->setDate(away.first.value_or(today));
    enableParts();
    ui->darkCheck->setFocus();
}

std::optional<DarkSetting> DarkAwayDialog::darkShown() const
{
    if (!ui->darkCheck->isChecked())
        return std::nullopt;
    return DarkSetting{ui->twilightCombo->currentIndex() == 1 ? DarkSetting::Twilight::Civil
                                                              : DarkSetting::Twilight::Sunset,
                       ui->duskSpin->value(), ui->dawnSpin->value()};
}

Place DarkAwayDialog::placeShown() const
{
    return {hundredths(ui->latitudeSpin->value()), hundredths(ui->longitudeSpin->value())};
}

void DarkAwayDialog::showPlace(Place place)
{
    ui->latitudeSpin->setValue(place.latitude / 100.0);
    ui->longitudeSpin->setValue(place.longitude / 100.0);
}

WeekSettings DarkAwayDialog::applied(WeekSettings settings) const
{
    if (const std::optional<DarkSetting> dark = darkShown(); dark != loadedDark)
        for (int d = 1; d <= Week::days; ++d)
            if (days & (1u << (d - 1)))
                settings.dark[std::size_t(d - 1)] = dark;

    const Place place = placeShown();
    const bool anyDark = settings.dark != decltype(settings.dark){};
    if (place != loadedPlace || (placeFromZone && anyDark))
        settings.place = place;

    if (ui->awayCheck->isChecked()) {
        AwaySetting away{ui->awayMinutesSpin->value(), std::nullopt, std::nullopt};
        if (ui->awayDatesCheck->isChecked()) {
            away.first = ui->awayFirstEdit->date();
            away.last = ui->awayLastEdit->date();
        }
        settings.away = away;
    } else {
        settings.away.reset();
    }
    return settings;
}

void DarkAwayDialog::enableParts()
{
    const bool dark = ui->darkCheck->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(ui->twilightCombo), static_cast<QWidget *>(ui->duskSpin),
                       static_cast<QWidget *>(ui->dawnSpin)})
        w->setEnabled(dark);
    const bool away = ui->awayCheck->isChecked();
    ui->awayMinutesSpin->setEnabled(away);
    ui->awayDatesCheck->setEnabled(away);
    ui->awayFirstEdit->setEnabled(away && ui->awayDatesCheck->isChecked());
    ui->awayLastEdit->setEnabled(away && ui->awayDatesCheck->isChecked());
}
