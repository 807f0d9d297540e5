// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include "ui/app_icon.h"
#include "ui/click_area.h"
#include "ui/dark_away_dialog.h"
#include "ui/day_chooser.h"
#include "ui/focus_frame.h"
#include "ui/shape_widget.h"
#include "ui/window_look.h"
#include "ui_main_window.h"
#include "schedule/clock_source.h"
#include "dial/dial_geometry.h"
#include "schedule/day_plan.h"
#include "schedule/day_words.h"
#include "schedule/fill.h"
#include "ui/workspace.h"
#include "schedule/number_format.h"
#include "schedule_file/zone_place.h"

#include <algorithm>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QHideEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTimeZone>
#include <QTimer>
#include <QWindow>

namespace {
const QColor panelColour(128, 128, 255);

void setUpSwatch(ShapeWidget *swatch, const QColor &fill, bool border)
{
    swatch->setFill(fill);
    swatch->setBorder(Qt::black, 3);
    swatch->setBorderShown(border);
}

// A screen reader says the time the bar stands at, not its number.
void describeTime(QScrollBar *scroll)
{
    const auto describe = [scroll](int v) { scroll->setAccessibleDescription(boundaryLabelText(v)); };
    describe(scroll->value());
    QObject::connect(scroll, &QScrollBar::valueChanged, scroll, describe);
}
}

MainWindow::MainWindow(Workspace &workspace_, QWidget *parent)
    : QWidget(parent), workspace(workspace_), ui(new Ui::MainWindow)
{
    setUpControls();
    connectControls();

    clockTimer = new QTimer(this);
    clockTimer->setObjectName(QStringLiteral("clockTimer"));
    clockTimer->setInterval(1000);
    connect(clockTimer, &QTimer::timeout, this, &MainWindow::timerTick);
    clockTimer->start();

    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &MainWindow::focusWindowChanged);
}

MainWindow::~MainWindow() = default;

void MainWindow::setUpControls()
{
    // The scroll bars' ranges and first places come from the form too: the
    // boundary labels keep their first captions until the user moves one.
    ui->setupUi(this);
    new FocusRing(this);
    // The dial's picture covers the window above the week's rings.
    formSize = QSize(width(), ui->dayChooser->y());
    // Drawn once the program runs: the window shows without waiting for it.
    QMetaObject::invokeMethod(this, [this] { setWindowIcon(daywheelIcon()); }, Qt::QueuedConnection);
    useFixedLook(this, DialColours::background);
    setAutoFillBackground(false);   // the retained drawing is the background
    dial.resize(formSize);

    ui->buttonPanel->setFill(panelColour);
    ui->buttonPanel->setBorder(Qt::black, 1);
    setUpSwatch(ui->offSwatch, DialColours::lightOff, false);
    setUpSwatch(ui->onSwatch, DialColours::on, true);
    // Hidden diagnostics: where the last release hit and what the clock read.
    ui->pointerReadoutLabel->setHidden(true);
    ui->clockReadoutLabel->setHidden(true);
    ui->todayLabel->setHidden(true);   // shown only while dark or away is in force today
    describeTime(ui->startScroll);
    describeTime(ui->endScroll);

    lightGroup = new QButtonGroup(this);
    lightGroup->addButton(ui->lightOnOption);
    lightGroup->addButton(ui->lightOffOption);
    ui->lightOffOption->setChecked(true);

    ui->dayChooser->setWeek(&workspace.week);
    // Made once the program runs, as the icon: the window shows 11 ms sooner.
    // The week's controls come after the first layout's, in their order.
    QMetaObject::invokeMethod(this, [this] {
        ui->dayChooser->build();
        QWidget *previous = ui->sendButton;
        for (QWidget *next : ui->dayChooser->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            QWidget::setTabOrder(previous, next);
            previous = next;
        }
        QWidget::setTabOrder(previous, ui->darkAwayButton);   // last: the older road keeps its counts
    }, Qt::QueuedConnection);

    ui->clearAllButton->setFocus();
}

void MainWindow::connectControls()
{
    // The keyboard way to Save, Load and end the program.
    const auto shortcut = [this](QKeySequence keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    shortcut(QKeySequence::Save, &MainWindow::saveRequested);
    shortcut(QKeySequence::Open, &MainWindow::loadRequested);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), &QWidget::close);   // not every platform binds Quit
    connect(ui->clearAllButton, &QPushButton::clicked, this, &MainWindow::clearAllClicked);
    connect(ui->lockButton, &QPushButton::toggled, this, &MainWindow::lockToggled);
    connect(ui->setButton, &QPushButton::clicked, this, &MainWindow::setClicked);
    connect(ui->saveButton, &QPushButton::clicked, this, &MainWindow::saveRequested);
    connect(ui->loadButton, &QPushButton::clicked, this, &MainWindow::loadRequested);
    connect(ui->sendButton, &QPushButton::clicked, this, &MainWindow::sendRequested);
    connect(ui->startScroll, &QScrollBar::valueChanged, this, &MainWindow::startScrolled);
    connect(ui->endScroll, &QScrollBar::valueChanged, this, &MainWindow::endScrolled);
    connect(ui->paintOffArea, &ClickArea::clicked, this, &MainWindow::paintOffClicked);
    connect(ui->paintOnArea, &ClickArea::clicked, this, &MainWindow::paintOnClicked);
    connect(ui->dayChooser, &DayChooser::chosenChanged, this, &MainWindow::display);
    connect(ui->dayChooser, &DayChooser::copyRequested, this, &MainWindow::copyShownDay);
    connect(ui->darkAwayButton, &QPushButton::clicked, this, &MainWindow::darkAwayClicked);
}

void MainWindow::darkAwayClicked()
{
    if (!darkAwayDialog) {
        darkAwayDialog = new DarkAwayDialog(this);
        darkAwayDialog->setObjectName(QStringLiteral("darkAwayDialog"));
        connect(darkAwayDialog, &QDialog::accepted, this, &MainWindow::darkAwayAccepted);
    }
    const QByteArray zone = QTimeZone::systemTimeZoneId();
    darkAwayDialog->load(workspace.week.settings, ui->dayChooser->chosen(), zonePlace(zone),
                         QString::fromUtf8(zone), ClockSource::now().date());
    darkAwayDialog->open();   // window-modal, no nested event loop
}

void MainWindow::darkAwayAccepted()
{
    workspace.week.settings = darkAwayDialog->applied(workspace.week.settings);
    display();
}

void MainWindow::refreshPlans(const QDateTime &now)
{
    const Week &week = workspace.week;
    if (week.settings.empty()) {   // the window as without them: nothing to work out
        if (planKey) {
            planKey.reset();
            shownNight.reset();
            todaysSpans.reset();
            showTodayWords({});
        }
        return;
    }
    const QDate today = now.date();
    const int shown = ui->dayChooser->shown();
    const int offset = now.offsetFromUtc() / 60;
    if (planKey && planKey->today == today && planKey->utcOffset == offset && planKey->shown == shown
        && planKey->week == week)
        return;
    planKey = PlanKey{today, offset, shown, week};

    const DayPlan todays = planOfDay(week, today, offset);
    QString words;
    if (todays.dark == DayPlan::Dark::NoPlace)
        words = tr("Today: dark ignored, no place");
    else if (todays.dark == DayPlan::Dark::Used || todays.away)
        words = tr("Today: %1").arg(planWords(todays));
    showTodayWords(words);
    todaysSpans.reset();
    if (todays.dark == DayPlan::Dark::Used || todays.away)
        todaysSpans = todays.on;

    // The day shown as it will next come: today for today's weekday.
    const QDate next = today.addDays((shown - today.dayOfWeek() + Week::days) % Week::days);
    const DayPlan shownPlan =
        next == today ? todays : planOfDay(week, next, QDateTime(next, QTime(12, 0)).offsetFromUtc() / 60);
    shownNight.reset();
    if (shownPlan.dark == DayPlan::Dark::Used)
        shownNight = NightBand{shownPlan.lightFrom, shownPlan.darkFrom};
}

DayTable &MainWindow::shownDay()
{
    return workspace.week.day(ui->dayChooser->shown());
}

std::optional<SlotRun> MainWindow::editChosen(const std::function<std::optional<SlotRun>(DayTable &)> &edit)
{
    const int shown = ui->dayChooser->shown();
    const std::optional<SlotRun> shownRun = edit(workspace.week.day(shown));
    for (int d = 1; d <= Week::days; ++d)
        if (d != shown && ui->dayChooser->isChosen(d))
            edit(workspace.week.day(d));
    ui->dayChooser->refresh();
    return shownRun;
}

void MainWindow::copyShownDay(unsigned days)
{
    const DayTable shown = shownDay();
    for (int d = 1; d <= Week::days; ++d)
        if (days & (1u << (d - 1)))
            workspace.week.day(d) = shown;
    ui->dayChooser->refresh();
    display();
}

MainWindow::State MainWindow::state() const
{
    return {startSlot, endSlot, rangeFrom, rangeTo, lastRun,
            paintOn, isLocked(), lightOn, tickCount};
}

void MainWindow::activation()
{
    // At start-up the day, the paint mode and the preset range take their
    // initial values. Later activations keep what the user chose: the range
    // and mode always follow the controls, and an "on" in slot 0 (23:45-24:00)
    // survives a save, a load or a trip to the controller window.
    if (!started) {
        started = true;
        editChosen([](DayTable &day) {
            day.set(0, 0);
            return std::nullopt;
        });
    }
    paintOn = ui->onSwatch->borderShown();
    workspace.comPort = defaultPort;
    display();
    startSlot = SlotIndex(ui->startScroll->value());
    endSlot = SlotIndex(ui->endScroll->value());
}

void MainWindow::showEvent(QShowEvent *event)
{
    // Marks the place as chosen, so the window system is told to keep it.
    if (hiddenPlace && windowHandle())
        windowHandle()->setPosition(*hiddenPlace);
    hiddenPlace.reset();
    QWidget::showEvent(event);
    if (!started) {
        // Draw at the screen's own resolution so the dial stays sharp.
        if (!qFuzzyCompare(dial.image().devicePixelRatio(), devicePixelRatioF()))
            dial.resize(formSize, devicePixelRatioF());
        activation();
        lastProgramWindow = windowHandle();
    }
}

void MainWindow::focusWindowChanged(QWindow *window)
{
    // Null means another program has the focus: coming back from it is no
    // new activation. Pop-ups (menus, drop-down lists) and dialogs (message
    // boxes, the port prompt) belong to the window that opened them.
    if (!window)
        return;
    const Qt::WindowType type = window->type();
    if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Dialog || type == Qt::Sheet)
        return;
    QWindow *previous = lastProgramWindow;
    lastProgramWindow = window;
    if (started && window == windowHandle() && previous != window)
        activation();
}

void MainWindow::hideEvent(QHideEvent *event)
{
    // Minimising is the window system's own hide and keeps the place anyway.
    if (!event->spontaneous())
        hiddenPlace = geometry().topLeft();
    QWidget::hideEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closed();
}

void MainWindow::showTodayWords(const QString &words)
{
    // A day of many spans may not fit the line: the tooltip and a screen
    // reader have them all.
    QLabel *label = ui->todayLabel;
    label->setText(label->fontMetrics().elidedText(words, Qt::ElideRight, label->contentsRect().width()));
    label->setToolTip(label->text() == words ? QString() : words);
    label->setAccessibleName(words);
    label->setVisible(!words.isEmpty());
}

void MainWindow::display()
{
    const QDateTime now = ClockSource::now();
    refreshPlans(now);
    drawDay(now);
}

void MainWindow::drawDay(const QDateTime &now)
{
    ui->clockCaption->setText(dialCaption(now));
    (lightOn ? ui->lightOnOption : ui->lightOffOption)->setChecked(true);
    lastRun = dial.paintDial(shownDay(), lightOn, shownNight);
    // The dial in words; set only when it changed, as each change is an
    // event for a screen reader and this runs every tick.
    if (const QString words = dayInWords(shownDay()); words != accessibleDescription())
        setAccessibleDescription(words);
    update(QRect(QPoint(0, 0), formSize));   // the rings only when a day changes
}

void MainWindow::timerTick()
{
    // One reading of the clock for the hand, the light and the caption.
    const QDateTime now = ClockSource::now();
    const DialGeometry::ClockReading reading = DialGeometry::readClock(now.time());
    ++tickCount;
    if (tickCount > 60) {
        dial.clear();
        tickCount = 0;
    }
    dial.paintHand(reading.handEnd);
    // The light follows today's program, whichever day the dial shows; where
    // the dark or away move it, as the board will run it.
    refreshPlans(now);
    const int second = now.time().msecsSinceStartOfDay() / 1000;
    lightOn = todaysSpans ? std::any_of(todaysSpans->cbegin(), todaysSpans->cend(),
                                        [second](const DayPlan::Span &s) { return s.from <= second && second < s.to; })
                          : workspace.week.day(now.date().dayOfWeek()).at(reading.slot) == 1;
    ui->clockReadoutLabel->setText(DialGeometry::clockReadout(reading));
    drawDay(now);
}

void MainWindow::paintEvent(QPaintEvent *)
{
    // Moved to a screen of another scale: the dial is drawn again at that
    // scale; the hands drawn so far come along, scaled.
    if (started && !qFuzzyCompare(dial.image().devicePixelRatio(), devicePixelRatioF())) {
        dial.resize(formSize, devicePixelRatioF());
        dial.paintDial(shownDay(), lightOn, shownNight);
    }
    QPainter p(this);
    p.fillRect(rect(), DialColours::background);
    p.drawImage(0, 0, dial.image());
}

// Any mouse button paints; positions are device-independent pixels.
void MainWindow::mousePressEvent(QMouseEvent *event)
{
    if (isLocked())
        return;
    if (const auto hit = DialGeometry::hitTest(DialGeometry::unitsFromPixels(event->position())))
        rangeFrom = hit->slot;
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (isLocked())
        return;
    const auto hit = DialGeometry::hitTest(DialGeometry::unitsFromPixels(event->position()));
    if (!hit)
        return;
    rangeTo = hit->slot;
    ui->pointerReadoutLabel->setText(DialGeometry::pointerReadout(*hit));
    if (const auto run = editChosen([&](DayTable &day) { return paintSlots(day, rangeFrom, rangeTo, paintOn, FillMode::Pointer); }))
        lastRun = *run;
}

void MainWindow::clearAllClicked()
{
    lastRun = *editChosen([](DayTable &day) { return clearAll(day); });
}

void MainWindow::startScrolled(int value)
{
    startSlot = SlotIndex(value);
    ui->startLabel->setText(boundaryLabelText(value));
}

void MainWindow::endScrolled(int value)
{
    endSlot = SlotIndex(value);
    ui->endLabel->setText(boundaryLabelText(value));
}

void MainWindow::paintOffClicked()
{
    paintOn = false;
    ui->onSwatch->setBorderShown(false);
    ui->offSwatch->setBorderShown(true);
    ui->setButton->setText(tr("UNSET"));
}

void MainWindow::paintOnClicked()
{
    paintOn = true;
    ui->offSwatch->setBorderShown(false);
    ui->onSwatch->setBorderShown(true);
    ui->setButton->setText(tr("SET"));
}

void MainWindow::setClicked()
{
    if (isLocked())
        return;
    const auto run = editChosen([&](DayTable &day) { return paintSlots(day, startSlot, endSlot, paintOn, FillMode::Preset); });
    if (run)
        lastRun = *run;
    rangeFrom = startSlot;
    rangeTo = endSlot;
    display();
}

bool MainWindow::isLocked() const
{
    return ui->lockButton->isChecked();
}

void MainWindow::lockToggled(bool locked)
{
    // "Lock" only until the first press; then the caption says what the next press does.
    ui->lockButton->setText(locked ? tr("un- lock") : tr("lock"));
}
