// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/week_settings.h"

#include <QDialog>

#include <memory>
#include <optional>

namespace Ui {
class DarkAwayDialog;
}

// Edits what the board applies on top of the programs: "only while it is
// dark" for the days chosen in the main window, and the week's place and
// away. It only shows and collects: the main window reads applied() after OK.
class DarkAwayDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DarkAwayDialog(QWidget *parent = nullptr);
    ~DarkAwayDialog() override;

    // Shows settings for the chosen days (bit d - 1 for ISO weekday d; the
    // first chosen one's dark setting is shown). zonePlace and zoneName: the
    // place of the host's time zone, offered when the week holds none.
    void load(const WeekSettings &settings, unsigned days, std::optional<Place> zonePlace,
              const QString &zoneName, QDate today);

    // settings with what the dialog changed. The chosen days' dark setting
    // is written only when it was changed here, so days whose settings differ
    // keep theirs when only the place or away was edited. A place is kept
    // when it was given here, or when the zone's is needed by a dark day.
    WeekSettings applied(WeekSettings settings) const;

private:
    std::optional<DarkSetting> darkShown() const;
    Place placeShown() const;
    void showPlace(Place place);
    void enableParts();

    std::unique_ptr<Ui::DarkAwayDialog> ui;
    unsigned days = 0;
    std::optional<DarkSetting> loadedDark;
    Place loadedPlace;
    bool placeFromZone = false;
};
