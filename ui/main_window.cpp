// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include "ui/app_icon.h"
#include "ui/click_area.h"
#include "ui/layout_table.h"
#include "ui/shape_widget.h"
#include "ui/window_look.h"
#include "schedule/clock_source.h"
#include "dial/dial_geometry.h"
#include "schedule/day_words.h"
#include "schedule/fill.h"
#include "schedule/workspace.h"
#include "schedule/number_format.h"

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
#include <QTimer>
#include <QWindow>

namespace {
namespace Role {
enum : int {
    ButtonPanel, OffSwatch, OnSwatch,
    Mark18, Mark12, Mark24, Mark6,
    PointerReadout, ClockReadout, ClockCaption, StartTitle, EndTitle, StartLabel, EndLabel,
    PaintOffArea, PaintOnArea,
    Save, Load, Send, Lock, ClearAll, Set, StartScroll, EndScroll,
    LightOn, LightOff,
};
}

using K = ControlKind;

// Back to front: shapes, then labels and click areas, then the buttons,
// scroll bars and option buttons that lie above everything.
constexpr ControlRow controls[] = {
    {Role::ButtonPanel, K::Rectangle, "Shape1", "", {4560, 3600, 855, 1935}},
    {Role::OffSwatch, K::Disc, "Shape3", "", {2160, 6240, 495, 375}},
    {Role::OnSwatch, K::Disc, "Shape2", "", {2760, 6240, 495, 375}},
    {Role::Mark18, K::Label, "Label4", "18", {2640, 120, 615, 255}},
    {Role::Mark12, K::Label, "Label7", "12", {360, 2280, 255, 375}},
    {Role::Mark24, K::Label, "Label5", "24", {4800, 2280, 615, 375}},
    {Role::Mark6, K::Label, "Label6", "6", {2640, 4440, 255, 255}},
    {Role::PointerReadout, K::Label, "Label9", "Label9", {120, 120, 1335, 255}},
    {Role::ClockReadout, K::Label, "Label8", "Label8", {120, 4680, 1935, 255}},
    {Role::ClockCaption, K::Label, "Label1", "TIME: 20:20:20, Monday, April 27, 2020",
     {1080, 5040, 3495, 255}},
    {Role::StartTitle, K::Label, "Label2", "BEGIN", {240, 5760, 615, 255}},
    {Role::EndTitle, K::Label, "Label3", "END", {4800, 5760, 375, 255}},
    {Role::StartLabel, K::Label, "Label10", "6:00", {1080, 6120, 615, 255}},
    {Role::EndLabel, K::Label, "Label11", "8:00", {3720, 6120, 615, 255}},
    {Role::PaintOffArea, K::ClickArea, "Image1", "", {2160, 6120, 495, 615}, 10, "paint off"},
    {Role::PaintOnArea, K::ClickArea, "Image2", "", {2760, 6120, 495, 615}, 11, "paint on"},
    {Role::Save, K::Button, "Command4", "Save", {4680, 3720, 615, 255}, 6},
    {Role::Load, K::Button, "Command5", "Load", {4680, 4080, 615, 255}, 7},
    {Role::Send, K::Button, "Command6", "Send", {4680, 4560, 615, 255}, 12},
    {Role::Lock, K::Button, "Command2", "Lock", {4680, 4920, 615, 495}, 2},
    {Role::ClearAll, K::Button, "Command1", "Clear All", {4680, 6240, 615, 495}, 1},
    {Role::Set, K::Button, "Command3", "SET", {2160, 5760, 1095, 375}, 3},
    {Role::StartScroll, K::ScrollBar, "HScroll1", "", {960, 5760, 975, 255}, 8, "BEGIN"},
    {Role::EndScroll, K::ScrollBar, "HScroll2", "", {3600, 5760, 975, 255}, 9, "END"},
    {Role::LightOn, K::RadioButton, "Option1", "", {1320, 6480, 255, 255}, 4, "light on now"},
    {Role::LightOff, K::RadioButton, "Option2", "", {3840, 6480, 255, 195}, 5, "light off now"},
};

constexpr WindowLayout mainLayout{"Form1", "Daywheel", 5415, 6735, controls};

const QColor panelColour(128, 128, 255);

void setUpSwatch(ShapeWidget *swatch, const QColor &fill, bool border)
{
    swatch->setFill(fill);
    swatch->setBorder(Qt::black, 3);
    swatch->setBorderShown(border);
}

void setUpScroll(QScrollBar *scroll, int value)
{
    scroll->setRange(0, 95);
    scroll->setSingleStep(1);
    scroll->setPageStep(1);
    scroll->setValue(value);
    // A screen reader says the time the bar stands at, not its number.
    const auto describe = [scroll](int v) { scroll->setAccessibleDescription(boundaryLabelText(v)); };
    describe(value);
    QObject::connect(scroll, &QScrollBar::valueChanged, scroll, describe);
}
}

const WindowLayout &MainWindow::layout()
{
    return mainLayout;
}

MainWindow::MainWindow(Workspace &workspace_, QWidget *parent)
    : QWidget(parent), workspace(workspace_)
{
    setUpControls();
    connectControls();

    clockTimer = new QTimer(this);
    clockTimer->setObjectName(QStringLiteral("Timer1"));
    clockTimer->setInterval(1000);
    connect(clockTimer, &QTimer::timeout, this, &MainWindow::timerTick);
    clockTimer->start();

    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &MainWindow::focusWindowChanged);
}

void MainWindow::setUpControls()
{
    const Controls made = buildLayout(this, mainLayout);
    // Drawn once the program runs: the window shows without waiting for it.
    QMetaObject::invokeMethod(this, [this] { setWindowIcon(daywheelIcon()); }, Qt::QueuedConnection);
    useFixedLook(this, DialColours::background);
    setAutoFillBackground(false);   // the retained drawing is the background
    dial.resize(mainLayout.pixelSize());

    auto *buttonPanel = made.get<ShapeWidget>(Role::ButtonPanel);
    buttonPanel->setFill(panelColour);
    buttonPanel->setBorder(Qt::black, 1);
    offSwatch = made.get<ShapeWidget>(Role::OffSwatch);
    onSwatch = made.get<ShapeWidget>(Role::OnSwatch);
    setUpSwatch(offSwatch, DialColours::lightOff, false);
    setUpSwatch(onSwatch, DialColours::on, true);

    // Hidden diagnostics: where the last release hit and what the clock read.
    pointerReadoutLabel = made.get<QLabel>(Role::PointerReadout);
    clockReadoutLabel = made.get<QLabel>(Role::ClockReadout);
    pointerReadoutLabel->setHidden(true);
    clockReadoutLabel->setHidden(true);
    clockCaption = made.get<QLabel>(Role::ClockCaption);
    for (int role : {Role::ClockCaption, Role::StartTitle, Role::EndTitle})
        made.get<QLabel>(role)->setAutoFillBackground(true);
    startLabel = made.get<QLabel>(Role::StartLabel);
    endLabel = made.get<QLabel>(Role::EndLabel);

    paintOffArea = made.get<ClickArea>(Role::PaintOffArea);
    paintOnArea = made.get<ClickArea>(Role::PaintOnArea);

    saveButton = made.get<QPushButton>(Role::Save);
    loadButton = made.get<QPushButton>(Role::Load);
    sendButton = made.get<QPushButton>(Role::Send);
    lockButton = made.get<QPushButton>(Role::Lock);
    lockButton->setCheckable(true);
    clearAllButton = made.get<QPushButton>(Role::ClearAll);
    setButton = made.get<QPushButton>(Role::Set);
    startScroll = made.get<QScrollBar>(Role::StartScroll);
    endScroll = made.get<QScrollBar>(Role::EndScroll);
    // Set before connectControls(): the boundary labels keep their first
    // captions until the user moves a scroll bar.
    setUpScroll(startScroll, 24);
    setUpScroll(endScroll, 32);

    lightOnOption = made.get<QRadioButton>(Role::LightOn);
    lightOffOption = made.get<QRadioButton>(Role::LightOff);
    lightGroup = new QButtonGroup(this);
    for (QRadioButton *o : {lightOnOption, lightOffOption}) {
        o->setAutoFillBackground(true);
        lightGroup->addButton(o);
    }
    lightOffOption->setChecked(true);

    clearAllButton->setFocus();
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
    connect(clearAllButton, &QPushButton::clicked, this, &MainWindow::clearAllClicked);
    connect(lockButton, &QPushButton::toggled, this, &MainWindow::lockToggled);
    connect(setButton, &QPushButton::clicked, this, &MainWindow::setClicked);
    connect(saveButton, &QPushButton::clicked, this, &MainWindow::saveRequested);
    connect(loadButton, &QPushButton::clicked, this, &MainWindow::loadRequested);
    connect(sendButton, &QPushButton::clicked, this, &MainWindow::sendRequested);
    connect(startScroll, &QScrollBar::valueChanged, this, &MainWindow::startScrolled);
    connect(endScroll, &QScrollBar::valueChanged, this, &MainWindow::endScrolled);
    connect(paintOffArea, &ClickArea::clicked, this, &MainWindow::paintOffClicked);
    connect(paintOnArea, &ClickArea::clicked, this, &MainWindow::paintOnClicked);
}

MainWindow::State MainWindow::state() const
{
    return {startSlot, endSlot, rangeFrom, rangeTo, lastRun,
            paintValue, qint16(isLocked() ? 1 : 0), lightNow, tickCount};
}

void MainWindow::activation()
{
    // At start-up the table, the paint mode and the preset range take their
    // initial values. Later activations keep what the user chose: the range
    // and mode always follow the controls, and an "on" in slot 0 (23:45-24:00)
    // survives a save, a load or a trip to the controller window.
    if (!started) {
        started = true;
        workspace.daySlots.set(0, 0);
    }
    paintValue = onSwatch->borderShown() ? 1 : 0;
    workspace.comPort = 10;
    display();
    startSlot = SlotIndex(startScroll->value());
    endSlot = SlotIndex(endScroll->value());
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
            dial.resize(mainLayout.pixelSize(), devicePixelRatioF());
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

void MainWindow::display()
{
    clockCaption->setText(dialCaption(ClockSource::now()));
    (lightNow == 1 ? lightOnOption : lightOffOption)->setChecked(true);
    lastRun = dial.paintDial(workspace.daySlots, lightNow == 1);
    // The dial in words; set only when it changed, as each change is an
    // event for a screen reader and this runs every tick.
    if (const QString words = dayInWords(workspace.daySlots); words != accessibleDescription())
        setAccessibleDescription(words);
    update();
}

void MainWindow::timerTick()
{
    const DialGeometry::ClockReading reading = DialGeometry::readClock(ClockSource::now().time());
    ++tickCount;
    if (tickCount > 60) {
        dial.clear();
        tickCount = 0;
    }
    dial.paintHand(reading.handEnd);
    lightNow = workspace.daySlots.at(reading.slot) == 1 ? 1 : 0;
    clockReadoutLabel->setText(DialGeometry::clockReadout(reading));
    display();
}

void MainWindow::paintEvent(QPaintEvent *)
{
    // Moved to a screen of another scale: the dial is drawn again at that
    // scale; the hands drawn so far come along, scaled.
    if (started && !qFuzzyCompare(dial.image().devicePixelRatio(), devicePixelRatioF())) {
        dial.resize(mainLayout.pixelSize(), devicePixelRatioF());
        dial.paintDial(workspace.daySlots, lightNow == 1);
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
    pointerReadoutLabel->setText(DialGeometry::pointerReadout(*hit));
    if (const auto run = fillRange(workspace.daySlots, rangeFrom, rangeTo, paintValue, FillMode::Pointer))
        lastRun = *run;
}

void MainWindow::clearAllClicked()
{
    lastRun = clearAll(workspace.daySlots);
}

void MainWindow::startScrolled(int value)
{
    startSlot = SlotIndex(value);
    startLabel->setText(boundaryLabelText(value));
}

void MainWindow::endScrolled(int value)
{
    endSlot = SlotIndex(value);
    endLabel->setText(boundaryLabelText(value));
}

void MainWindow::paintOffClicked()
{
    paintValue = 0;
    onSwatch->setBorderShown(false);
    offSwatch->setBorderShown(true);
    setButton->setText(QStringLiteral("UNSET"));
}

void MainWindow::paintOnClicked()
{
    paintValue = 1;
    offSwatch->setBorderShown(false);
    onSwatch->setBorderShown(true);
    setButton->setText(QStringLiteral("SET"));
}

void MainWindow::setClicked()
{
    if (isLocked())
        return;
    const auto run = fillRange(workspace.daySlots, startSlot, endSlot, paintValue, FillMode::Preset);
    if (run)
        lastRun = *run;
    rangeFrom = startSlot;
    rangeTo = endSlot;
    display();
}

bool MainWindow::isLocked() const
{
    return lockButton->isChecked();
}

void MainWindow::lockToggled(bool locked)
{
    // "Lock" only until the first press; then the caption says what the next press does.
    lockButton->setText(locked ? QStringLiteral("un- lock") : QStringLiteral("lock"));
}
