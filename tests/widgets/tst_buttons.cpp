// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/click_area.h"
#include "widgets/wrap_button.h"

#include <QSignalSpy>
#include <QTest>

class TstButtons : public QObject
{
    Q_OBJECT
private slots:
    void clickAreaClicks_data();
    void clickAreaClicks();
    void lockedButtonLooksUnlocked();
};

void TstButtons::clickAreaClicks_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<int>("clicks");
    QTest::newRow("left, inside") << Qt::LeftButton << QPoint(5, 5) << 1;
    QTest::newRow("right, inside") << Qt::RightButton << QPoint(29, 39) << 1;
    QTest::newRow("released outside") << Qt::LeftButton << QPoint(30, 5) << 0;
}

void TstButtons::clickAreaClicks()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, release);
    QFETCH(int, clicks);
    QWidget window;
    auto *area = new ClickArea(&window);
    area->setGeometry(10, 10, 30, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicked(area, &ClickArea::clicked);
    QTest::mousePress(area, button, {}, QPoint(5, 5));
    QTest::mouseRelease(area, button, {}, release);
    QCOMPARE(clicked.count(), clicks);
    // The keyboard clicks it too, as any button.
    QTest::keyClick(area, Qt::Key_Space);
    QCOMPARE(clicked.count(), clicks + 1);
}

void TstButtons::lockedButtonLooksUnlocked()
{
    WrapButton button(QStringLiteral("un- lock"));
    button.resize(41, 33);
    const QImage plain = button.grab().toImage();
    button.setCheckable(true);
    button.setChecked(true);
    QCOMPARE(button.grab().toImage(), plain);
}

QTEST_MAIN(TstButtons)
#include "tst_buttons.moc"
