// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dial/dial_surface.h"
#include "schedule/day_plan.h"
#include "schedule/day_table.h"
#include "schedule/week.h"

#include <QPoint>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class DarkAwayDialog;
class QButtonGroup;
class QTimer;
struct Workspace;
namespace Ui {
class MainWindow;
}

// The main window: the dial, its editing controls and the live clock.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(Workspace &workspace, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Repaints the caption, the centre indicator and the whole dial over what
    // is already drawn; never clears.
    void display();

    // One tick of the live clock (clockTimer calls it every second).
    void timerTick();

    // The editing state, read by tests. lastRun: the slots the latest fill,
    // Clear All or dial redraw went through.
    struct State {
        SlotIndex startSlot, endSlot, rangeFrom, rangeTo;
        SlotRun lastRun;
        bool paintOn, locked, lightOn;
        qint16 tickCount;
    };
    State state() const;
    const DialSurface &surface() const { return dial; }

signals:
    void saveRequested();
    void loadRequested();
    void sendRequested();
    void closed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Sets up the window's state and redraws; runs when the window first
    // shows and whenever it becomes active again after another of the
    // program's windows was active.
    void activation();
    void setUpControls();
    void connectControls();
    void focusWindowChanged(QWindow *window);

    void clearAllClicked();
    void startScrolled(int value);
    void endScrolled(int value);
    void paintOffClicked();
    void paintOnClicked();
    void setClicked();
    void lockToggled(bool locked);
    bool isLocked() const;
    // The day the dial shows and edits: the first chosen.
    DayTable &shownDay();
    // Runs an edit on every chosen day; the run it took on the day shown.
    std::optional<SlotRun> editChosen(const std::function<std::optional<SlotRun>(DayTable &)> &edit);
    void copyShownDay(unsigned days);
    void darkAwayClicked();
    void darkAwayAccepted();
    // What the dark and away make of today and of the day shown, worked out
    // again only when the date, the clock's offset, the day shown or the week
    // changed since: the dial asks every second.
    void refreshPlans(const QDateTime &now);
    // display() with the plans already worked out for now.
    void drawDay(const QDateTime &now);
    void showTodayWords(const QString &words);

    Workspace &workspace;
    DialSurface dial;
    // Where the window was when the program hid it (the controller window
    // takes its place), so it comes back there: on X11 a window shown again
    // is otherwise placed anew by the window manager.
    std::optional<QPoint> hiddenPlace;

    SlotIndex startSlot = 0;
    SlotIndex endSlot = 0;
    SlotIndex rangeFrom = 0;
    SlotIndex rangeTo = 0;
    SlotRun lastRun;
    bool paintOn = false;
    bool lightOn = false;   // what the day says at the clock's slot
    qint16 tickCount = 0;

    bool started = false;
    QWindow *lastProgramWindow = nullptr;

    std::unique_ptr<Ui::MainWindow> ui;
    QSize formSize;   // the dial covers the window above the rings
    QButtonGroup *lightGroup;
    QTimer *clockTimer;
    DarkAwayDialog *darkAwayDialog = nullptr;   // made when first opened

    struct PlanKey
    {
        QDate today;
        int utcOffset = 0;
        int shown = 0;
        Week week;
    };
    std::optional<PlanKey> planKey;
    std::optional<NightBand> shownNight;
    std::optional<QList<DayPlan::Span>> todaysSpans;   // when the dark or away move today's light
};
