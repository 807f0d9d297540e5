#include "app/main_window.h"

#include "app/app_icon.h"
#include "widgets/click_area.h"
#include "widgets/shape_widget.h"
#include "widgets/twips.h"
#include "widgets/wrap_button.h"
#include "dial/clock_source.h"
#include "dial/dial_geometry.h"
#include "schedule/fill.h"
#include "schedule/workspace.h"
#include "schedule/number_format.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

namespace {
const QSize clientSize = twipsSize(5415, 6735);
const QColor shape1Colour(128, 128, 255);

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry,
              bool windowBackground = false)
{
    auto *l = place(new QLabel(text, parent), name, geometry);
    l->setAutoFillBackground(windowBackground);
    return l;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *b = place(new WrapButton(text, parent), name, geometry);
    b->setAutoDefault(false);
    return b;
}

QScrollBar *scrollBar(QWidget *parent, const char *name, int value, QRect geometry)
{
    auto *s = place(new QScrollBar(Qt::Horizontal, parent), name, geometry);
    s->setRange(0, 95);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setValue(value);
    s->setFocusPolicy(Qt::StrongFocus);
    return s;
}

ShapeWidget *swatch(QWidget *parent, const char *name, const QColor &fill, bool border,
                    QRect geometry)
{
    auto *s = place(new ShapeWidget(ShapeWidget::Kind::Disc, parent), name, geometry);
    s->setFill(fill);
    s->setBorder(Qt::black, 3);
    s->setBorderShown(border);
    return s;
}
}

MainWindow::MainWindow(Workspace &workspace_, QWidget *parent)
    : QWidget(parent), workspace(workspace_)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Daywheel"));
    setWindowIcon(daywheelIcon());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, DialColours::background);
    setPalette(pal);
    setAutoFillBackground(false);   // the retained drawing is the background
    resize(clientSize);
    dial.resize(clientSize);

    buildLayout();
    connectControls();

    timer1 = new QTimer(this);
    timer1->setObjectName(QStringLiteral("Timer1"));
    timer1->setInterval(1000);
    connect(timer1, &QTimer::timeout, this, &MainWindow::timerTick);
    timer1->start();

    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &MainWindow::focusWindowChanged);
}

void MainWindow::buildLayout()
{
    // Created back to front: shapes, then labels and click areas, then the
    // buttons, scroll bars and option buttons that lie above everything.
    shape1 = place(new ShapeWidget(ShapeWidget::Kind::Rectangle, this), "Shape1",
                   twipsRect(4560, 3600, 855, 1935));
    shape1->setFill(shape1Colour);
    shape1->setBorder(Qt::black, 1);
    shape3 = swatch(this, "Shape3", DialColours::lightOff, false, twipsRect(2160, 6240, 495, 375));
    shape2 = swatch(this, "Shape2", DialColours::on, true, twipsRect(2760, 6240, 495, 375));

    label4 = label(this, "Label4", QStringLiteral("18"), twipsRect(2640, 120, 615, 255));
    label7 = label(this, "Label7", QStringLiteral("12"), twipsRect(360, 2280, 255, 375));
    label5 = label(this, "Label5", QStringLiteral("24"), twipsRect(4800, 2280, 615, 375));
    label6 = label(this, "Label6", QStringLiteral("6"), twipsRect(2640, 4440, 255, 255));
    label9 = label(this, "Label9", QStringLiteral("Label9"), twipsRect(120, 120, 1335, 255));
    label8 = label(this, "Label8", QStringLiteral("Label8"), twipsRect(120, 4680, 1935, 255));
    label9->setHidden(true);
    label8->setHidden(true);
    label1 = label(this, "Label1", QStringLiteral("TIME: 20:20:20, Monday, April 27, 2020"),
                   twipsRect(1080, 5040, 3495, 255), true);
    label2 = label(this, "Label2", QStringLiteral("BEGIN"), twipsRect(240, 5760, 615, 255), true);
    label3 = label(this, "Label3", QStringLiteral("END"), twipsRect(4800, 5760, 375, 255), true);
    label10 = label(this, "Label10", QStringLiteral("6:00"), twipsRect(1080, 6120, 615, 255));
    label11 = label(this, "Label11", QStringLiteral("8:00"), twipsRect(3720, 6120, 615, 255));

    image1 = place(new ClickArea(this), "Image1", twipsRect(2160, 6120, 495, 615));
    image2 = place(new ClickArea(this), "Image2", twipsRect(2760, 6120, 495, 615));

    command4 = button(this, "Command4", QStringLiteral("Save"), twipsRect(4680, 3720, 615, 255));
    command5 = button(this, "Command5", QStringLiteral("Load"), twipsRect(4680, 4080, 615, 255));
    command6 = button(this, "Command6", QStringLiteral("Send"), twipsRect(4680, 4560, 615, 255));
    command2 = button(this, "Command2", QStringLiteral("Lock"), twipsRect(4680, 4920, 615, 495));
    command1 = button(this, "Command1", QStringLiteral("Clear All"), twipsRect(4680, 6240, 615, 495));
    command3 = button(this, "Command3", QStringLiteral("SET"), twipsRect(2160, 5760, 1095, 375));
    hScroll1 = scrollBar(this, "HScroll1", 24, twipsRect(960, 5760, 975, 255));
    hScroll2 = scrollBar(this, "HScroll2", 32, twipsRect(3600, 5760, 975, 255));

    option1 = place(new QRadioButton(this), "Option1", twipsRect(1320, 6480, 255, 255));
    option2 = place(new QRadioButton(this), "Option2", twipsRect(3840, 6480, 255, 195));
    for (QRadioButton *o : {option1, option2})
        o->setAutoFillBackground(true);
    optionGroup = new QButtonGroup(this);
    optionGroup->addButton(option1);
    optionGroup->addButton(option2);
    option2->setChecked(true);

    setTabOrder(command1, command2);
    setTabOrder(command2, command3);
    setTabOrder(command3, option1);
    setTabOrder(option1, option2);
    setTabOrder(option2, command4);
    setTabOrder(command4, command5);
    setTabOrder(command5, hScroll1);
    setTabOrder(hScroll1, hScroll2);
    setTabOrder(hScroll2, command6);
    command1->setFocus();
}

void MainWindow::connectControls()
{
    connect(command1, &QPushButton::clicked, this, &MainWindow::clearAllClicked);
    connect(command2, &QPushButton::clicked, this, &MainWindow::lockClicked);
    connect(command3, &QPushButton::clicked, this, &MainWindow::setClicked);
    connect(command4, &QPushButton::clicked, this, &MainWindow::saveRequested);
    connect(command5, &QPushButton::clicked, this, &MainWindow::loadRequested);
    connect(command6, &QPushButton::clicked, this, &MainWindow::sendRequested);
    connect(hScroll1, &QScrollBar::valueChanged, this, &MainWindow::startScrolled);
    connect(hScroll2, &QScrollBar::valueChanged, this, &MainWindow::endScrolled);
    connect(image1, &ClickArea::clicked, this, &MainWindow::paintOffClicked);
    connect(image2, &ClickArea::clicked, this, &MainWindow::paintOnClicked);
}

MainWindow::State MainWindow::state() const
{
    return {startSlot, endSlot, rangeFrom, rangeTo, slotCursor, paintValue, locked, lightNow, tickCount};
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
    paintValue = shape2->borderShown() ? 1 : 0;
    workspace.comPort = 10;
    slotCursor = 0;
    display();
    startSlot = SlotIndex(hScroll1->value());
    endSlot = SlotIndex(hScroll2->value());
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!started) {
        // Draw at the screen's own resolution so the dial stays sharp.
        if (!qFuzzyCompare(dial.image().devicePixelRatio(), devicePixelRatioF()))
            dial.resize(clientSize, devicePixelRatioF());
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

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closed();
}

void MainWindow::display()
{
    label1->setText(dialCaption(ClockSource::now()));
    (lightNow == 1 ? option1 : option2)->setChecked(true);
    dial.paintDial(workspace.daySlots, lightNow == 1, slotCursor);
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
    slotCursor = reading.slot;
    lightNow = workspace.daySlots.at(slotCursor) == 1 ? 1 : 0;
    label8->setText(DialGeometry::clockReadout(reading));
    display();
}

void MainWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), DialColours::background);
    p.drawImage(0, 0, dial.image());
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    pointerPress(event->position());
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    pointerRelease(event->position());
}

void MainWindow::pointerPress(QPointF pixels)
{
    if (locked == 1)
        return;
    if (const auto hit = DialGeometry::hitTest(DialGeometry::unitsFromPixels(pixels)))
        rangeFrom = hit->slot;
}

void MainWindow::pointerRelease(QPointF pixels)
{
    if (locked == 1)
        return;
    const auto hit = DialGeometry::hitTest(DialGeometry::unitsFromPixels(pixels));
    if (!hit)
        return;
    rangeTo = hit->slot;
    label9->setText(DialGeometry::pointerReadout(*hit, slotCursor));
    fillRange(workspace.daySlots, rangeFrom, rangeTo, paintValue, FillMode::Pointer, slotCursor);
}

void MainWindow::clearAllClicked()
{
    clearAll(workspace.daySlots, slotCursor);
}

void MainWindow::startScrolled(int value)
{
    startSlot = SlotIndex(value);
    label10->setText(boundaryLabelText(value));
}

void MainWindow::endScrolled(int value)
{
    endSlot = SlotIndex(value);
    label11->setText(boundaryLabelText(value));
}

void MainWindow::paintOffClicked()
{
    paintValue = 0;
    shape2->setBorderShown(false);
    shape3->setBorderShown(true);
    command3->setText(QStringLiteral("UNSET"));
}

void MainWindow::paintOnClicked()
{
    paintValue = 1;
    shape3->setBorderShown(false);
    shape2->setBorderShown(true);
    command3->setText(QStringLiteral("SET"));
}

void MainWindow::setClicked()
{
    if (locked == 1)
        return;
    fillRange(workspace.daySlots, startSlot, endSlot, paintValue, FillMode::Preset, slotCursor);
    rangeFrom = startSlot;
    rangeTo = endSlot;
    display();
}

void MainWindow::lockClicked()
{
    if (locked == 1) {
        locked = 0;
        command2->setText(QStringLiteral("lock"));
    } else {
        locked = 1;
        command2->setText(QStringLiteral("un- lock"));
    }
}
