// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QWidget>

#include <array>

class QPushButton;
class Week;

// One weekday: a small ring that draws the day's program, its short name
// inside. Checked when the dial edits it.
class DayRing : public QAbstractButton
{
    Q_OBJECT
public:
    DayRing(int weekday, QWidget *parent = nullptr);
    void setWeek(const Week *w) { week = w; }
    // Marked when it is chosen and its program differs from the one shown.
    void setDiffers(bool differs);
    int weekday() const { return day; }
    QSize sizeHint() const override { return {40, 40}; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    const int day;
    const Week *week = nullptr;
    bool differs = false;
};

// The days the dial edits, Monday to Sunday, and the gestures that choose
// them: a click chooses one day, Ctrl+click adds or removes one, the group
// buttons choose Monday-Friday, Saturday-Sunday or the whole week; with
// Shift, a click copies the day shown onto the days it names. At start all
// seven are chosen.
class DayChooser : public QWidget
{
    Q_OBJECT
public:
    explicit DayChooser(QWidget *parent = nullptr);
    // Makes the rings and buttons; until then the choice is kept alone (the
    // window calls it once it shows, so it shows without waiting for them).
    void build();
    void setWeek(const Week *week);

    // Bit d - 1 for ISO weekday d.
    static constexpr unsigned everyDay = 0x7f;
    unsigned chosen() const { return chosenDays; }
    bool isChosen(int weekday) const { return chosenDays & (1u << (weekday - 1)); }
    // The first chosen day: the one the dial shows.
    int shown() const;
    void choose(unsigned days);
    // A program changed: the rings are drawn again (only then).
    void refresh();

protected:
    // Keeps the modifiers of the input that clicks a button.
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void chosenChanged();
    // Shift with a click: the day shown, copied onto these days.
    void copyRequested(unsigned days);

private:
    void clicked(unsigned days, bool single);

    std::array<DayRing *, 7> rings{};
    QPushButton *workdays = nullptr, *weekend = nullptr, *wholeWeek = nullptr;
    const Week *week = nullptr;
    unsigned chosenDays = everyDay;
    Qt::KeyboardModifiers clickKeys;
};
