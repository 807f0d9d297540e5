// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"
#include "ui/workspace.h"
#include "schedule/clock_source.h"
#include "dial/dial_geometry.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <memory>

#include "ui/day_chooser.h"
#include "ui/shape_widget.h"
#include "support/slot_lists.h"

using namespace DialGeometry;

namespace {
// What the windows under test share, as the application would hand it to them.
Workspace workspace;

QDateTime fakeNow;

QPointF pixelsOf(double x, double y)
{
    return pixelsFromUnits(QPointF(x, y));
}

QPointF segmentMiddle(int n)
{
    return point(segmentAngle(n), 6.3);
}

QList<int> slotsOn()
{
    return slotsHolding(workspace.week.day(1), 1, 0, DayTable::lastSlot);
}
}

class TstMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsAsDesigned();
    void layoutAndTabOrder();
    void scrollBarsShowTheirBoundary();
    void swatchesChooseThePaintMode();
    void setFillsAndRedraws();
    void lockCaptionsAndWhatItStops();
    void dragFillsForwardAndShowsAtTheNextTick();
    void releaseOffTheRingDoesNothing();
    void clearAllShowsAtTheNextTick();
    void tickLooksUpTheCurrentSlot();
    void drawingClearedOnlyEverySixtyFirstTick();
    void timerTicksEverySecond();
    void activationKeepsTheUsersChoices();
    void comingBackFromAnotherProgramIsNoActivation();
    void closingEmitsClosed();
    void daysChosenAndEdited();
    void darkAndAwayEdited_data();
    void darkAndAwayEdited();

private:
    template <typename T> T *child(const char *name)
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    void click(const char *button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    void drag(QPoint fromPixels, QPoint toPixels)
    {
        QTest::mousePress(form.get(), Qt::LeftButton, {}, fromPixels);
        QTest::mouseRelease(form.get(), Qt::LeftButton, {}, toPixels);
    }
    void drag(QPointF fromUnits, QPointF toUnits)
    {
        drag(pixelsOf(fromUnits.x(), fromUnits.y()).toPoint(), pixelsOf(toUnits.x(), toUnits.y()).toPoint());
    }
    // Pixels just below the horizontal through the centre, right and left on the ring.
    static constexpr QPoint rightOfCentre{289, 161};   // units (16.01, 9.03): slot 1
    static constexpr QPoint leftOfCentre{72, 161};     // units (3.99, 9.03): slot 48

    std::unique_ptr<MainWindow> form;
};

void TstMainWindow::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    fakeNow = QDateTime(QDate(2020, 4, 27), QTime(20, 20, 20));
    ClockSource::set([] { return fakeNow; });
}

void TstMainWindow::init()
{
    workspace.week = Week();
    fakeNow = QDateTime(QDate(2020, 4, 27), QTime(20, 20, 20));
    workspace.comPort = 99;
    form = std::make_unique<MainWindow>(workspace);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
}

void TstMainWindow::cleanup()
{
    form.reset();
}

void TstMainWindow::startsAsDesigned()
{
    QCOMPARE(form->windowTitle(), QStringLiteral("Daywheel"));
    QVERIFY(!form->windowIcon().isNull());
    QCOMPARE(child<QLabel>("startLabel")->text(), QStringLiteral("6:00"));
    QCOMPARE(child<QLabel>("endLabel")->text(), QStringLiteral("8:00"));
    QCOMPARE(child<QPushButton>("setButton")->text(), QStringLiteral("SET"));
    QCOMPARE(child<QPushButton>("lockButton")->text(), QStringLiteral("Lock"));
    QVERIFY(child<ShapeWidget>("onSwatch")->borderShown());
    QVERIFY(!child<ShapeWidget>("offSwatch")->borderShown());
    QVERIFY(child<QRadioButton>("lightOffOption")->isChecked());
    QVERIFY(!child<QRadioButton>("lightOnOption")->isChecked());
    QVERIFY(!child<QLabel>("clockReadoutLabel")->isVisible());
    QVERIFY(!child<QLabel>("pointerReadoutLabel")->isVisible());
    QCOMPARE(child<QLabel>("clockCaption")->text(), QStringLiteral("Time: 20:20:20, Monday, April 27, 2020"));
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("clearAllButton"));

    // The start-up activation ran: range, mode, port and a drawn dial.
    const MainWindow::State s = form->state();
    QCOMPARE(s.startSlot, SlotIndex(24));
    QCOMPARE(s.endSlot, SlotIndex(32));
    QVERIFY(s.paintOn);
    QCOMPARE(s.lastRun, (SlotRun{0, 95}));
    QVERIFY(!s.lightOn);
    QCOMPARE(workspace.comPort, qint16(10));
    QCOMPARE(form->surface().colourAtUnits(QPointF(10.3, 9.3)), DialColours::lightOff);
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(30)), DialColours::background);
    QCOMPARE(form->surface().colourAtUnits(QPointF(17.2, 9)), DialColours::foreground);
}

void TstMainWindow::layoutAndTabOrder()
{
    QCOMPARE(child<QPushButton>("clearAllButton")->geometry(), QRect(312, 416, 41, 33));
    QCOMPARE(child<QPushButton>("darkAwayButton")->geometry(), QRect(8, 416, 57, 33));
    QCOMPARE(child<QScrollBar>("endScroll")->geometry(), QRect(240, 384, 65, 17));
    QCOMPARE(child<QLabel>("mark18Label")->geometry().topLeft(), QPoint(176, 8));
    QCOMPARE(child<QScrollBar>("startScroll")->minimum(), 0);
    QCOMPARE(child<QScrollBar>("startScroll")->maximum(), 95);
    QCOMPARE(child<QScrollBar>("startScroll")->pageStep(), 1);

    const QStringList expected{"clearAllButton", "lockButton", "setButton", "lightOnOption", "lightOffOption",
                               "saveButton", "loadButton", "startScroll", "endScroll", "paintOffArea",
                               "paintOnArea", "sendButton", "dayRing1", "dayRing2", "dayRing3", "dayRing4",
                               "dayRing5", "dayRing6", "dayRing7", "workdaysButton", "weekendButton",
                               "wholeWeekButton", "darkAwayButton"};
    QStringList chain;
    QWidget *w = child<QWidget>("clearAllButton");
    for (int i = 0; i < expected.size(); ++i) {
        chain << w->objectName();
        do
            w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || w == form.get());
    }
    QCOMPARE(chain, expected);
}

void TstMainWindow::scrollBarsShowTheirBoundary()
{
    auto *start = child<QScrollBar>("startScroll");
    auto *end = child<QScrollBar>("endScroll");
    start->setValue(37);
    QCOMPARE(child<QLabel>("startLabel")->text(), QStringLiteral("09:15"));
    QCOMPARE(form->state().startSlot, SlotIndex(37));
    // The first hour shows too, not the last time above it.
    start->setValue(2);
    QCOMPARE(child<QLabel>("startLabel")->text(), QStringLiteral("00:30"));
    QCOMPARE(form->state().startSlot, SlotIndex(2));
    // The arrow keys go the way they point; a screen reader hears the time.
    QTest::keyClick(start, Qt::Key_Right);
    QCOMPARE(form->state().startSlot, SlotIndex(3));
    QCOMPARE(start->accessibleDescription(), QStringLiteral("00:45"));
    end->setValue(0);
    QCOMPARE(child<QLabel>("endLabel")->text(), QStringLiteral("00:00"));
    QCOMPARE(form->state().endSlot, SlotIndex(0));
    end->setValue(95);
    QCOMPARE(child<QLabel>("endLabel")->text(), QStringLiteral("23:45"));
}

void TstMainWindow::swatchesChooseThePaintMode()
{
    QTest::mouseClick(child<QWidget>("paintOffArea"), Qt::RightButton);   // any button, as on the dial
    QVERIFY(!form->state().paintOn);
    QCOMPARE(child<QPushButton>("setButton")->text(), QStringLiteral("UNSET"));
    QVERIFY(child<ShapeWidget>("offSwatch")->borderShown());
    QVERIFY(!child<ShapeWidget>("onSwatch")->borderShown());

    QTest::mouseClick(child<QWidget>("paintOnArea"), Qt::LeftButton);
    QVERIFY(form->state().paintOn);
    QCOMPARE(child<QPushButton>("setButton")->text(), QStringLiteral("SET"));
    QVERIFY(child<ShapeWidget>("onSwatch")->borderShown());
}

void TstMainWindow::setFillsAndRedraws()
{
    workspace.week.day(1).set(24, 0);
    click("setButton");
    QCOMPARE(slotsOn(), run(25, 32));
    QCOMPARE(form->state().rangeFrom, SlotIndex(24));
    QCOMPARE(form->state().rangeTo, SlotIndex(32));
    // SET redraws at once.
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(25)), DialColours::on);
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(32)), DialColours::on);
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(24)), DialColours::background);
    QCOMPARE(form->accessibleDescription(), QStringLiteral("on 06:00-08:00"));   // the dial in words

    // Paint off through midnight turns 1s off and leaves a 2 alone.
    child<QScrollBar>("startScroll")->setValue(28);
    child<QScrollBar>("endScroll")->setValue(26);
    workspace.week.day(1).set(0, 1);
    workspace.week.day(1).set(50, 2);
    QTest::keyClick(child<QWidget>("paintOffArea"), Qt::Key_Space);
    click("setButton");
    QCOMPARE(slotsOn(), run(27, 28));
    QCOMPARE(workspace.week.day(1).at(50), qint16(2));
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(0)), DialColours::background);
}

void TstMainWindow::lockCaptionsAndWhatItStops()
{
    auto *lock = child<QPushButton>("lockButton");
    click("lockButton");
    QCOMPARE(lock->text(), QStringLiteral("un- lock"));
    QVERIFY(form->state().locked);

    click("setButton");
    drag(rightOfCentre, leftOfCentre);
    QCOMPARE(slotsOn(), QList<int>{});
    QCOMPARE(form->state().rangeFrom, SlotIndex(0));
    QCOMPARE(form->state().rangeTo, SlotIndex(0));
    QVERIFY(child<QLabel>("pointerReadoutLabel")->text().isEmpty());

    // Controls that do not honour the lock still work.
    child<QScrollBar>("startScroll")->setValue(40);
    QCOMPARE(form->state().startSlot, SlotIndex(40));
    workspace.week.day(1).set(3, 1);
    click("clearAllButton");
    QCOMPARE(slotsOn(), QList<int>{});

    click("lockButton");
    QCOMPARE(lock->text(), QStringLiteral("lock"));
    QVERIFY(!form->state().locked);
    click("setButton");
    QCOMPARE(slotsOn(), run(0, 32) + run(41, 96));
    click("lockButton");
    QCOMPARE(lock->text(), QStringLiteral("un- lock"));
}

void TstMainWindow::dragFillsForwardAndShowsAtTheNextTick()
{
    fakeNow.setTime(QTime(3, 0));
    drag(rightOfCentre, leftOfCentre);
    QCOMPARE(slotsOn(), run(1, 48));
    QCOMPARE(form->state().rangeFrom, SlotIndex(1));
    QCOMPARE(form->state().rangeTo, SlotIndex(48));
    QCOMPARE(child<QLabel>("pointerReadoutLabel")->text(), QStringLiteral("-6., ., 6., 48."));
    // Not drawn until the clock's next tick.
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(10)), DialColours::background);
    form->timerTick();
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(10)), DialColours::on);
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(49)), DialColours::background);

    // Backwards round the dial takes the rest of the day through midnight.
    workspace.week = Week();
    drag(leftOfCentre, rightOfCentre);
    QCOMPARE(slotsOn(), run(0, 1) + run(48, 96));

    // A click sets the one slot under the pointer, whatever it held.
    workspace.week = Week();
    workspace.week.day(1).set(13, 2);
    QTest::mouseClick(child<QWidget>("paintOffArea"), Qt::LeftButton);
    drag(segmentMiddle(13), segmentMiddle(13));
    QCOMPARE(workspace.week.day(1).at(13), qint16(0));
}

void TstMainWindow::releaseOffTheRingDoesNothing()
{
    drag(segmentMiddle(5), QPointF(10, 9));   // release at the centre
    QCOMPARE(slotsOn(), QList<int>{});
    QVERIFY(child<QLabel>("pointerReadoutLabel")->text().isEmpty());
    // The press's slot stays for a later release on the ring.
    const QPointF pressOff(1, 1);
    drag(pressOff, point(segmentAngle(10), 6.3));
    QCOMPARE(slotsOn(), run(5, 10));
    // A press on a swatch is the swatch's, wherever it is released.
    QTest::mousePress(child<QWidget>("paintOnArea"), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(child<QWidget>("paintOnArea"), Qt::LeftButton, {}, rightOfCentre - QPoint(184, 408));
    QCOMPARE(slotsOn(), run(5, 10));
}

void TstMainWindow::clearAllShowsAtTheNextTick()
{
    click("setButton");
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(28)), DialColours::on);
    click("clearAllButton");
    QCOMPARE(slotsOn(), QList<int>{});
    QCOMPARE(form->state().lastRun, (SlotRun{0, 96}));
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(28)), DialColours::on);
    form->timerTick();
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(28)), DialColours::background);
}

void TstMainWindow::tickLooksUpTheCurrentSlot()
{
    workspace.week.day(2).set(25, 1);   // a Tuesday's program
    fakeNow = QDateTime(QDate(2021, 3, 2), QTime(6, 5, 3));
    form->timerTick();
    QVERIFY(form->state().lightOn);
    QVERIFY(child<QRadioButton>("lightOnOption")->isChecked());
    QCOMPARE(form->surface().colourAtUnits(QPointF(10.3, 9.3)), DialColours::on);
    QCOMPARE(child<QLabel>("clockReadoutLabel")->text(), QStringLiteral("6.08,  25, 25.33"));
    QCOMPARE(child<QLabel>("clockCaption")->text(), QStringLiteral("Time: 06:05:03, Tuesday, March 02, 2021"));
    QCOMPARE(form->state().lastRun, (SlotRun{0, 95}));

    workspace.week.day(2).set(25, 2);
    form->timerTick();
    QVERIFY(!form->state().lightOn);
    QVERIFY(child<QRadioButton>("lightOffOption")->isChecked());
    QCOMPARE(form->surface().colourAtUnits(QPointF(10.3, 9.3)), DialColours::lightOff);

    fakeNow.setTime(QTime(6, 15));
    workspace.week.day(2).set(26, 1);
    form->timerTick();
    QVERIFY(form->state().lightOn);
}

void TstMainWindow::drawingClearedOnlyEverySixtyFirstTick()
{
    // The hand of 03:00 stays on the picture until the 61st tick clears it.
    const QPointF alongThreeOClock(10 + 3 * std::cos(M_PI / 4), 9 + 3 * std::sin(M_PI / 4));
    fakeNow.setTime(QTime(3, 0));
    form->timerTick();
    QCOMPARE(form->surface().colourAtUnits(alongThreeOClock), DialColours::foreground);
    fakeNow.setTime(QTime(9, 0));
    for (int tick = 2; tick <= 60; ++tick) {
        form->timerTick();
        QCOMPARE(form->state().tickCount, qint16(tick));
    }
    QCOMPARE(form->surface().colourAtUnits(alongThreeOClock), DialColours::foreground);
    form->timerTick();   // 61
    QCOMPARE(form->state().tickCount, qint16(0));
    QCOMPARE(form->surface().colourAtUnits(alongThreeOClock), DialColours::background);
    // Cleared and redrawn within the same tick: the hand of 09:00 and the dial are back.
    QCOMPARE(form->surface().colourAtUnits(QPointF(10 - 3, 9 - 0.0)), DialColours::background);
    QCOMPARE(form->surface().colourAtUnits(QPointF(17.2, 9)), DialColours::foreground);

    fakeNow.setTime(QTime(3, 0));
    form->timerTick();
    for (int tick = 2; tick <= 61; ++tick)
        form->timerTick();
    QCOMPARE(form->surface().colourAtUnits(alongThreeOClock), DialColours::foreground);   // tick 122 redraws 03:00
}

void TstMainWindow::timerTicksEverySecond()
{
    QCOMPARE(form->state().tickCount, qint16(0));
    QTRY_COMPARE_WITH_TIMEOUT(form->state().tickCount, qint16(1), 2500);
}

void TstMainWindow::activationKeepsTheUsersChoices()
{
    QWidget other;
    other.setWindowTitle(QStringLiteral("another window of the program"));
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));

    child<QScrollBar>("startScroll")->setValue(40);
    child<QScrollBar>("endScroll")->setValue(44);
    QTest::mouseClick(child<QWidget>("paintOffArea"), Qt::LeftButton);
    workspace.week.day(1).set(0, 1);
    workspace.week.day(1).set(42, 1);
    workspace.comPort = 3;

    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));

    QCOMPARE(workspace.comPort, qint16(10));   // the activation ran
    QCOMPARE(form->state().startSlot, SlotIndex(40));
    QCOMPARE(form->state().endSlot, SlotIndex(44));
    QVERIFY(!form->state().paintOn);
    QCOMPARE(workspace.week.day(1).at(0), qint16(1));
    QCOMPARE(child<QLabel>("startLabel")->text(), QStringLiteral("10:00"));
    QCOMPARE(child<QPushButton>("setButton")->text(), QStringLiteral("UNSET"));
    // It redrew the dial: the slot set behind its back shows at once.
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(42)), DialColours::on);
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(0)), DialColours::on);

    click("setButton");
    QCOMPARE(workspace.week.day(1).at(42), qint16(0));   // paint off over 41..44
}

void TstMainWindow::comingBackFromAnotherProgramIsNoActivation()
{
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    workspace.comPort = 3;
    // Focus goes to another program (no window of ours) and comes back.
    emit qGuiApp->focusWindowChanged(nullptr);
    emit qGuiApp->focusWindowChanged(form->windowHandle());
    QCOMPARE(workspace.comPort, qint16(3));

    // A message box or prompt over the main window is part of it.
    QMessageBox box(QMessageBox::Information, QStringLiteral("Daywheel"), QStringLiteral("note"),
                    QMessageBox::Ok, form.get());
    box.show();
    box.activateWindow();
    QTRY_COMPARE(QGuiApplication::focusWindow(), box.windowHandle());
    box.accept();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(workspace.comPort, qint16(3));
}

void TstMainWindow::closingEmitsClosed()
{
    QSignalSpy closed(form.get(), &MainWindow::closed);
    form->close();
    QCOMPARE(closed.count(), 1);
    // Ctrl+S, Ctrl+O and Ctrl+Q do what Save, Load and the close box do.
    QSignalSpy save(form.get(), &MainWindow::saveRequested), load(form.get(), &MainWindow::loadRequested);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    for (Qt::Key key : {Qt::Key_S, Qt::Key_O, Qt::Key_Q})
        QTest::keyClick(form.get(), key, Qt::ControlModifier);
    QCOMPARE(QList<qsizetype>({save.count(), load.count(), closed.count()}), QList<qsizetype>({1, 1, 2}));
}

QTEST_MAIN(TstMainWindow)

void TstMainWindow::daysChosenAndEdited()
{
    const auto ring = [this](int d) { return child<QAbstractButton>(qPrintable(QStringLiteral("dayRing%1").arg(d))); };
    QCOMPARE(ring(7)->accessibleName(), QStringLiteral("Sunday"));
    click("workdaysButton");   // SET paints Monday to Friday only
    click("setButton");
    QCOMPARE(slotsHolding(workspace.week.day(5), 1, 0, DayTable::lastSlot), run(25, 32));
    QCOMPARE(workspace.week.day(6), DayTable());
    QTest::mouseClick(ring(6), Qt::LeftButton);   // Saturday alone, shown
    QVERIFY(ring(6)->isChecked() && !ring(1)->isChecked());
    QCOMPARE(form->surface().colourAtUnits(segmentMiddle(25)), DialColours::background);
    QTest::mouseClick(ring(7), Qt::LeftButton, Qt::ControlModifier);   // and Sunday
    click("setButton");
    QCOMPARE(workspace.week.day(7), workspace.week.day(1));
    // Monday cleared, then copied onto the weekend: two gestures, nothing else chosen
    QTest::mouseClick(ring(1), Qt::LeftButton);
    click("clearAllButton");
    QTest::mouseClick(child<QPushButton>("weekendButton"), Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(workspace.week.day(6), DayTable());
    QCOMPARE(workspace.week.day(7), DayTable());
    QVERIFY(ring(1)->isChecked() && !ring(6)->isChecked());
    QTest::mouseClick(ring(2), Qt::LeftButton, Qt::ControlModifier);   // chosen and unlike Monday
    QCOMPARE(ring(2)->accessibleDescription(), QStringLiteral("differs from the day shown"));
    // the light follows today's program (a Monday, 20:20) whichever day is shown
    workspace.week.day(1).set(82, 1);
    QTest::mouseClick(ring(2), Qt::LeftButton);
    form->timerTick();
    QVERIFY(form->state().lightOn);
}

void TstMainWindow::darkAndAwayEdited_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<unsigned>("days");
    QTest::addColumn<WeekSettings>("before");
    QTest::addColumn<WeekSettings>("entered");   // the shown day's dark, the place if typed, away
    QTest::addColumn<bool>("ok");
    QTest::addColumn<WeekSettings>("expected");
    QTest::addColumn<QString>("today");   // the words under the dial on Monday 2020-04-27, on 18:00-23:00
    QTest::addColumn<bool>("night");      // the dial shows the night of the day shown
    QTest::addColumn<bool>("lightNow");   // at 20:20, as the board will run the day

    const DarkSetting civil{DarkSetting::Twilight::Civil, 30, -15}, sunset;
    WeekSettings darkWorkdays;
    darkWorkdays.dark[0] = civil;
    WeekSettings expected = darkWorkdays;
    expected.dark.fill(civil);
    expected.dark[5] = expected.dark[6] = std::nullopt;
    expected.place = Place{5250, 1337};   // Berlin's row in zone.tab: +5230+01322
    QTest::newRow("dark on workdays at the zone's place") << QByteArray("Europe/Berlin") << 0x1fu << WeekSettings()
        << darkWorkdays << true << expected << "Today: on 21:35-23:00" << true << false;
    QTest::newRow("cancel") << QByteArray("Europe/Berlin") << 0x1fu << WeekSettings() << darkWorkdays << false
        << WeekSettings() << "" << false << true;

    WeekSettings awayOnly;   // no dark asks for a place: the zone's is not kept
    awayOnly.away = AwaySetting{10, std::nullopt, std::nullopt};
    QTest::newRow("away alone") << QByteArray("Europe/Berlin") << 0x1u << WeekSettings() << awayOnly << true
        << awayOnly << "Today: on 18:01-23:07" << false << true;
    WeekSettings noPlace;
    noPlace.dark[0] = sunset;
    QTest::newRow("dark without a place") << QByteArray("UTC") << 0x1u << WeekSettings() << noPlace << true
        << noPlace << "Today: dark ignored, no place" << false << true;

    // Away alone: Monday and Tuesday keep their different dark.
    WeekSettings differ = expected;
    differ.dark[1] = sunset;
    WeekSettings away = differ;
    away.away = AwaySetting{45, QDate(2026, 12, 20), QDate(2027, 1, 6)};
    away.place = Place{-3387, 15121};
    WeekSettings enteredAway = away;
    enteredAway.dark[0] = expected.dark[0];
    QTest::newRow("away with dates and a place") << QByteArray("Australia/Sydney") << 0x7fu << differ << enteredAway
        << true << away << "Today: on 18:14-23:00" << true << true;
    WeekSettings off = away;
    off.dark[5] = sunset;
    WeekSettings offExpected = off;
    offExpected.dark[5].reset();
    offExpected.away.reset();
    QTest::newRow("dark and away turned off") << QByteArray("Australia/Sydney") << 0x60u << off << WeekSettings()
        << true << offExpected << "Today: on 18:14-23:00" << false << true;
}

void TstMainWindow::darkAndAwayEdited()
{
    QFETCH(QByteArray, zone);
    QFETCH(unsigned, days);
    QFETCH(WeekSettings, before);
    QFETCH(WeekSettings, entered);
    qputenv("TZ", zone);
    DayTable evening;
    for (int slot = 73; slot <= 92; ++slot)   // 18:00-23:00
        evening.set(SlotIndex(slot), 1);
    workspace.week.setEveryDay(evening);
    workspace.week.settings = before;
    child<DayChooser>("dayChooser")->choose(days);
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_D, Qt::AltModifier);   // the button's mnemonic clicks it soon after
    QDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = form->findChild<QDialog *>("darkAwayDialog")) && dialog->isVisible());
    const auto in = [dialog](const char *name) { return dialog->findChild<QWidget *>(name); };
    QCOMPARE(in("placeNote")->isVisible(), !before.place);
    const std::optional<DarkSetting> dark = entered.dark[std::size_t(child<DayChooser>("dayChooser")->shown() - 1)];
    qobject_cast<QCheckBox *>(in("darkCheck"))->setChecked(dark.has_value());
    const bool civil = dark && dark->twilight == DarkSetting::Twilight::Civil;
    qobject_cast<QComboBox *>(in("twilightCombo"))->setCurrentIndex(civil ? 1 : 0);
    qobject_cast<QSpinBox *>(in("duskSpin"))->setValue(dark ? dark->duskMinutes : 0);
    qobject_cast<QSpinBox *>(in("dawnSpin"))->setValue(dark ? dark->dawnMinutes : 0);
    if (entered.place) {
        qobject_cast<QDoubleSpinBox *>(in("latitudeSpin"))->setValue(entered.place->latitude / 100.0);
        qobject_cast<QDoubleSpinBox *>(in("longitudeSpin"))->setValue(entered.place->longitude / 100.0);
    }
    qobject_cast<QCheckBox *>(in("awayCheck"))->setChecked(entered.away.has_value());
    if (entered.away) {
        qobject_cast<QSpinBox *>(in("awayMinutesSpin"))->setValue(entered.away->minutes);
        qobject_cast<QCheckBox *>(in("awayDatesCheck"))->setChecked(entered.away->first.has_value());
        qobject_cast<QDateEdit *>(in("awayLastEdit"))->setDate(entered.away->last.value_or(QDate()));
        qobject_cast<QDateEdit *>(in("awayFirstEdit"))->setDate(entered.away->first.value_or(QDate()));
    }
    QFETCH(bool, ok);
    dialog->findChild<QDialogButtonBox *>()->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    QVERIFY(!dialog->isVisible());
    QTEST(workspace.week.settings, "expected");
    QTEST(child<QLabel>("todayLabel")->text(), "today");
    QCOMPARE(child<QLabel>("todayLabel")->isVisible(), !child<QLabel>("todayLabel")->text().isEmpty());
    // The night at 02:00 on the band's inner edge, never at noon.
    QTEST(form->surface().colourAtUnits(point(segmentAngle(9), 5.8)) == DialColours::night, "night");
    QVERIFY(form->surface().colourAtUnits(point(segmentAngle(49), 5.8)) != DialColours::night);
    QFETCH(bool, lightNow);
    QTRY_COMPARE(child<QRadioButton>("lightOnOption")->isChecked(), lightNow);
    qunsetenv("TZ");
}

#include "tst_main_window.moc"
